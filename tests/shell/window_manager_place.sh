#!/bin/sh
# The results window after a run from the dialog, on virtual screens of 1280 x 1024 and
# 1600 x 1000, without a window manager and with openbox framing the windows: from the geometry
# the program prints, the window's frame lies on the screen and clear of the part of the dialog
# kept in view (its status line, the line under it and its buttons).
# Usage: window_manager_place.sh SCREENSHOT_SCRIPT BINARY INPUT FOLDER
set -eu
script=$1
binary=$2
input=$3
folder=$4
for tool in xvfb-run openbox; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIPPED: $tool is missing (Debian packages xvfb, xauth and openbox)"
    exit 77
  fi
done
mkdir -p "$folder"
failed=0
for screen in 1280x1024 1600x1000; do
  for manager in "" --openbox; do
    name=${screen}${manager:+-openbox}
    # "dialog X,Y WxH; results X,Y WxH; kept X,Y WxH; screen X,Y WxH"
    line=$(sh "$script" "$binary" "$folder/$name.png" --screen "$screen" $manager "$input" 2>/dev/null | grep '^dialog ') || {
      echo "$name: the program printed no geometry"
      failed=1
      continue
    }
    echo "$name: $line"
    set -- $(echo "$line" | sed 's/[,x]/ /g; s/[a-z;]//g')
    if [ $# -ne 16 ]; then
      echo "$name: cannot read the geometry"
      failed=1
      continue
    fi
    rx=$5 ry=$6 rw=$7 rh=$8 kx=$9 ky=${10} kw=${11} kh=${12} sx=${13} sy=${14} sw=${15} sh=${16}
    if [ "$rw" -le 0 ] || [ "$rh" -le 0 ] || [ "$kw" -le 0 ] || [ "$kh" -le 0 ]; then
      echo "$name: the results window or the dialog's kept part is missing"
      failed=1
    fi
    if [ "$rx" -lt "$sx" ] || [ "$ry" -lt "$sy" ] || [ $((rx + rw)) -gt $((sx + sw)) ] || [ $((ry + rh)) -gt $((sy + sh)) ]; then
      echo "$name: the results window leaves the screen"
      failed=1
    fi
    if [ $((rx + rw)) -gt "$kx" ] && [ $((kx + kw)) -gt "$rx" ] && [ $((ry + rh)) -gt "$ky" ] && [ $((ky + kh)) -gt "$ry" ]; then
      echo "$name: the results window covers the dialog's status line or buttons"
      failed=1
    fi
  done
done
exit $failed
