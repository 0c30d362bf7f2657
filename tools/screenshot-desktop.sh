#!/bin/sh
# Takes a picture of the whole screen after a run from the dialog, on a virtual X server
# (xvfb-run) without a window manager, so that a person can see where the results window opens.
# Usage: tools/screenshot-desktop.sh BINARY OUTPUT.png [--screen WxH] INPUT...
set -eu
if [ $# -lt 3 ]; then
  echo "usage: $0 BINARY OUTPUT.png [--screen WxH] INPUT..." >&2
  exit 2
fi
binary=$1
output=$2
shift 2
screen=1280x1024
if [ "$1" = --screen ]; then
  screen=$2
  shift 2
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "$0: xvfb-run is missing (Debian packages xvfb and xauth)" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"
# A settings folder of its own: the window opens where a first run puts it.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 ${screen}x24" "$binary" "$(realpath -m "$output")" "$@"
