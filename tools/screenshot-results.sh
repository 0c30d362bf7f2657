#!/bin/sh
# Takes a picture of each tab of the results window after a run, on a virtual X server
# (xvfb-run), so that a person can look at the plots.
# Usage: tools/screenshot-results.sh BINARY FOLDER [--size WxH|min] [--against-first] INPUT...
set -eu
if [ $# -lt 3 ]; then
  echo "usage: $0 BINARY FOLDER [--size WxH|min] [--against-first] INPUT..." >&2
  exit 2
fi
binary=$1
folder=$2
shift 2
options=
while [ $# -gt 0 ]; do
  case $1 in
    --size) options="$options $1 $2"; shift 2 ;;
    --against-first) options="$options $1"; shift ;;
    *) break ;;
  esac
done
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "$0: xvfb-run is missing (Debian packages xvfb and xauth)" >&2
  exit 1
fi
mkdir -p "$folder"
# A settings folder of its own, so that the pictures do not depend on (or change) where a user
# last left the window.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
# shellcheck disable=SC2086
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$binary" $options "$folder" "$@"
