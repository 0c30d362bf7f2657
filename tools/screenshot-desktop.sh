#!/bin/sh
# Takes a picture of the whole screen after a run from the dialog, on a virtual X server
# (xvfb-run), without a window manager or with openbox, so that a person can see where the
# results window opens. Prints where the dialog, the results window and the part of the dialog
# kept in view are.
# Usage: tools/screenshot-desktop.sh BINARY OUTPUT.png [--screen WxH] [--openbox] INPUT...
set -eu
if [ $# -lt 3 ]; then
  echo "usage: $0 BINARY OUTPUT.png [--screen WxH] [--openbox] INPUT..." >&2
  exit 2
fi
binary=$(realpath "$1")
output=$2
shift 2
screen=1280x1024
manager=
while [ $# -gt 0 ]; do
  case $1 in
    --screen) screen=$2; shift 2 ;;
    --openbox) manager=openbox; shift ;;
    *) break ;;
  esac
done
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "$0: xvfb-run is missing (Debian packages xvfb and xauth)" >&2
  exit 1
fi
if [ -n "$manager" ] && ! command -v "$manager" >/dev/null 2>&1; then
  echo "$0: $manager is missing (Debian package $manager)" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"
# A settings folder of its own: the window opens where a first run puts it.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
output=$(realpath -m "$output")
if [ -z "$manager" ]; then
  XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 ${screen}x24" "$binary" "$output" "$@"
else
  # The window manager starts first and frames the windows as they open; the program waits for
  # it to settle before it takes the picture.
  XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 ${screen}x24" sh -c '
      manager=$1; shift
      "$manager" --sm-disable >/dev/null 2>&1 &
      pid=$!
      sleep 1
      status=0
      "$@" || status=$?
      kill "$pid" 2>/dev/null || true
      exit $status' sh "$manager" "$binary" "$output" "$@"
fi
