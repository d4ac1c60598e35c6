# Starts a private Xvfb display with openbox for the X11 tests (sourced by test.sh).
start_xvfb() {
  local n=$(( 90 + RANDOM % 400 ))
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/tmp/pixkit-xvfb-$n.log 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if [ ! -e "/tmp/.X11-unix/X$n" ]; then
    echo "Xvfb could not start on :$n; the X11 tests cannot run" >&2
    return 1
  fi
  export DISPLAY=":$n"
  openbox >/tmp/pixkit-openbox-$n.log 2>&1 &
  OPENBOX_PID=$!
  # Windows mapped while the window manager is still starting can be lost: wait until it
  # announces itself on the root window.
  for i in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
  trap 'kill $OPENBOX_PID $XVFB_PID 2>/dev/null || true' EXIT
}
