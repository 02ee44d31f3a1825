#!/usr/bin/env bash
# Renders the button pictures and the program icon from their SVG sources into ../pictures as
# 64x64 PNG files (rsvg-convert, Debian package librsvg2-bin). The PNG files are committed, so that
# building needs no SVG renderer; run this after changing a picture.
set -euo pipefail
cd "$(dirname "$0")"
for source in *.svg; do
  rsvg-convert --width 64 --height 64 --output "../pictures/${source%.svg}.png" "$source"
done
