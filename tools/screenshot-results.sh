#!/bin/sh
# Takes a picture of each tab of the results window after a run of a data file, on a virtual X
# server (xvfb-run), so that a person can look at the plots.
# Usage: tools/screenshot-results.sh BINARY DATAFILE FOLDER
set -eu
if [ $# -ne 3 ]; then
  echo "usage: $0 BINARY DATAFILE FOLDER" >&2
  exit 2
fi
binary=$1
data=$2
folder=$3
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "$0: xvfb-run is missing (Debian packages xvfb and xauth)" >&2
  exit 1
fi
mkdir -p "$folder"
# A settings folder of its own, so that the pictures do not depend on (or change) where a user
# last left the window.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$binary" "$data" "$folder"
