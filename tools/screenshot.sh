#!/bin/sh
# Takes a picture of the dialog as it opens, on a virtual X server (xvfb-run).
# Usage: tools/screenshot.sh BINARY OUTPUT.png
set -eu
if [ $# -ne 2 ]; then
  echo "usage: $0 BINARY OUTPUT.png" >&2
  exit 2
fi
binary=$1
output=$2
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "$0: xvfb-run is missing (Debian packages xvfb and xauth)" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"
rm -f "$output"
# The program saves a picture of its window and ends when TENZIO_SCREENSHOT names a file.
TENZIO_SCREENSHOT=$(realpath -m "$output") QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$binary"
if [ ! -s "$output" ]; then
  echo "$0: no picture was written" >&2
  exit 1
fi
echo "Screenshot: $output"
