#!/usr/bin/env bash
# Starts the window program under Xvfb on a freshly made sample installation and saves
# screenshots to FOLDER: at start, after Analyze, after Tune, and with the error box up (the
# installation's SYSTEM hive damaged behind the program's back).
#   scripts/screenshots.sh FOLDER [BUILD_DIR]
# Needs xvfb, xdotool and imagemagick; BUILD_DIR (default build-ui) must hold a built harnlode
# and harnlode-make-sample.
set -euo pipefail
[ $# -ge 1 ] || { echo "Usage: $0 FOLDER [BUILD_DIR]" >&2; exit 2; }
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing" >&2; exit 2; }
done

root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
shots=$(cd "$1" && pwd)
build=$(cd "${2:-$root/build-ui}" && pwd)

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$build/sample/harnlode-make-sample" "$work/windows" >/dev/null

# A display of our own, whatever number is free.
for display in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

QT_QPA_PLATFORM=xcb "$build/usb/harnlode" "$work/windows" &
program_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --pid "$program_pid" --name "Harnlode by Quillmarsh" 2>/dev/null | head -1) || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "$0: the window did not show" >&2; exit 1; }
sleep 0.5

shot() { import -window root "$shots/$1.png"; echo "$shots/$1.png"; }
# Clicks at a point of the window's client area. Without a window manager the window has no
# frame, so client and screen coordinates differ only by the window's position.
click() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + $1)) $((Y + $2)) click 1
  xdotool mousemove 1000 750
  sleep 0.7
}

shot 1-start
click 64 60  # Analyze
shot 2-after-analyze
click 201 60  # Tune
shot 3-after-tune
: >"$work/windows/Windows/System32/config/SYSTEM"
click 64 60  # Analyze, on the damaged hive
shot 4-error-box
