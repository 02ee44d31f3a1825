#!/usr/bin/env bash
# Renders the button pictures and the program icon from their SVG sources into ../pictures as
# 64x64 PNG files, and the program icon for desktops into ../../desktop/icons: PNG files in the
# sizes of the hicolor theme and harnlode.ico, the Windows icon (rsvg-convert and icotool, Debian
# packages librsvg2-bin and icoutils). The results are committed, so that building needs neither;
# run this after changing a picture.
set -euo pipefail
cd "$(dirname "$0")"
for source in *.svg; do
  rsvg-convert --width 64 --height 64 --output "../pictures/${source%.svg}.png" "$source"
done
icons=../../desktop/icons
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width $size --height $size --output "$icons/harnlode-$size.png" harnlode.svg
done
icotool --create --output "$icons/harnlode.ico" "$icons"/harnlode-{16,24,32,48,64}.png \
  --raw="$icons/harnlode-256.png"
