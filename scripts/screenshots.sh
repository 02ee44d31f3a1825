#!/usr/bin/env bash
# Starts the window program under Xvfb and openbox on a freshly made sample installation and saves
# screenshots to FOLDER: the installation chooser (the program started without a folder), the
# window at start, the tooltip that names the installation, the focus on Tune, after Analyze,
# after Tune, minimized in openbox's window list, and with the error box up (the installation's
# SYSTEM hive damaged behind the program's back). window.txt records the window's place, its
# frame, its icon name and its WM_CLASS (which the desktop entry's StartupWMClass must match).
# Given WINDOWS_BUILD_DIR, a MinGW-w64 build with tests (as scripts/test-windows makes them, for
# example build-windows/win64/harnlode), also the Windows window harnlode.exe under Wine, in a
# prefix of its own, as its tests drive it (windows-*.png): at start, after each input with the
# mouse and with the keyboard, and with the error box up. BUILD_DIR must then hold the Linux
# tests (-DBUILD_TESTING=ON) and Wine must be installed.
#   scripts/screenshots.sh FOLDER [BUILD_DIR [WINDOWS_BUILD_DIR]]
# Needs xvfb, openbox, xdotool, x11-utils and imagemagick; BUILD_DIR (default build-ui) must hold
# a built harnlode and harnlode-make-sample.
set -euo pipefail
[ $# -ge 1 ] || { echo "Usage: $0 FOLDER [BUILD_DIR]" >&2; exit 2; }
for tool in Xvfb openbox xdotool xprop xwininfo import; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing" >&2; exit 2; }
done

root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
shots=$(cd "$1" && pwd)
build=$(cd "${2:-$root/build-ui}" && pwd)
windows_build=""
[ -z "${3:-}" ] || windows_build=$(cd "$3" && pwd)

source "$root/scripts/virtual-display.sh"
work=$(mktemp -d)
program_pid=""
mounted=""
wineserver=/usr/lib/wine/wineserver
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  [ -z "$mounted" ] || umount "$mounted" 2>/dev/null || true
  [ -z "${WINEPREFIX:-}" ] || "$wineserver" -k 2>/dev/null || true
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT

"$build/sample/harnlode-make-sample" "$work/windows" >/dev/null
start_display
sleep 0.5

shot() { import -window root "$shots/$1.png"; echo "$shots/$1.png"; }
# The program's window of that caption, once it shows.
find_window() {
  local found=""
  for _ in $(seq 100); do
    found=$(xdotool search --pid "$program_pid" --name "$1" 2>/dev/null | head -1) || true
    [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] || { echo "$0: no window \"$1\" showed" >&2; exit 1; }
  echo "$found"
}

# Without a folder the program asks which installation to work on, among the mounted ones. Where
# this user may mount, the sample is mounted read-only for the list to show it; else the list
# shows what the machine has mounted, often nothing.
mkdir -p "$work/mnt/sample windows"
if mount --bind -o ro "$work/windows" "$work/mnt/sample windows" 2>/dev/null; then
  mounted="$work/mnt/sample windows"
fi
QT_QPA_PLATFORM=xcb "$build/usb/harnlode" &
program_pid=$!
find_window "Choose the Windows installation" >/dev/null
sleep 0.5
shot 0-chooser
kill "$program_pid"
wait "$program_pid" 2>/dev/null || true
[ -z "$mounted" ] || { umount "$mounted"; mounted=""; }

QT_QPA_PLATFORM=xcb "$build/usb/harnlode" "$work/windows" &
program_pid=$!
window=$(find_window "Harnlode by Quillmarsh")
sleep 0.5
{
  xwininfo -id "$window" -frame | grep -E "Absolute|Width|Height"
  xwininfo -root | grep -E "Width|Height"
  xprop -id "$window" _NET_FRAME_EXTENTS _NET_WM_ICON_NAME WM_ICON_NAME _NET_WM_NAME WM_CLASS
} >"$shots/window.txt"
echo "$shots/window.txt"

# Moves the pointer to a point of the window's client area, which xwininfo places on the screen
# whether or not the window manager framed the window.
point_at() {
  local geometry x y
  geometry=$(xwininfo -id "$window")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  xdotool mousemove $((x + $1)) $((y + $2))
}
click() {
  point_at "$1" "$2"
  xdotool click 1
  xdotool mousemove 1000 750
  sleep 0.7
}

shot 1-start
# The lower strip's tooltip names the installation.
point_at 100 427
sleep 1.2
shot 1-installation-tooltip
xdotool mousemove 1000 750
sleep 0.3
xdotool key --window "$window" Tab
sleep 0.3
shot 1-focus-on-tune
click 64 60  # Analyze
shot 2-after-analyze
click 201 60  # Tune
shot 3-after-tune
# openbox's window list names a minimized window by its icon name, the application title.
xdotool windowminimize "$window"
sleep 0.5
xdotool mousemove 500 700 click 2
sleep 0.7
shot 3-icon-name-in-window-list
xdotool key Escape
xdotool windowactivate "$window"
sleep 0.7
: >"$work/windows/Windows/System32/config/SYSTEM"
click 64 60  # Analyze, on the damaged hive
shot 4-error-box

[ -n "$windows_build" ] || exit 0
# The Windows window, in a fresh 64-bit prefix, driven by its tests: with the mouse (Analyze, Tune,
# Analyze), with the keyboard (Space, Tab Enter, Shift+Tab Space), and on a value that cannot be
# read.
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEARCH=win64 /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
"$wineserver" -w
"$wineserver" -p
WINE=/usr/lib/wine/wine64 HARNLODE_WINDOW_SHOTS=$shots \
  HARNLODE_WINDOWS_WINDOW="$windows_build/usb/win32/harnlode.exe" \
  HARNLODE_WINDOW_PROBE="$windows_build/tests/wine/window_probe.exe" \
  "$build/tests/wine/wine_window_tests" >"$work/window-tests.log" ||
  { cat "$work/window-tests.log" >&2; exit 1; }
ls "$shots"/windows-*.png
