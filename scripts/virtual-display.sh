# Sourced by the scripts that show windows: start_display starts an X server of our own (Xvfb, on
# whatever display number is free) with the openbox window manager and exports DISPLAY;
# stop_display ends them. Needs xvfb, openbox and xdotool.
display_pids=()
start_display() {
  local display
  for display in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
  done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  display_pids+=($!)
  export DISPLAY=":$display"
  local _
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  display_pids+=($!)
  # openbox has taken the screen when it names itself on the root window.
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
}
stop_display() {
  local pid
  for pid in "${display_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  display_pids=()
}
