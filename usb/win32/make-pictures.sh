#!/usr/bin/env bash
# Makes the Win32 window's button pictures, pictures/NAME.ico, from the 64x64 PNG files of the
# same name in ../pictures (all but the program icon, which ../../desktop/icons/harnlode.ico
# holds): icons of one 32-bit image with its alpha channel, which the window draws blended onto
# the button's background (icotool, Debian package icoutils). The build makes each a resource
# named after its file. The results are committed, so that building needs no icotool; run this
# after ../art/render-pictures.sh.
set -euo pipefail
cd "$(dirname "$0")"
rm -f pictures/*.ico
for source in ../pictures/*.png; do
  name=$(basename "$source" .png)
  [ "$name" = harnlode ] || icotool --create --output "pictures/$name.ico" "$source"
done
