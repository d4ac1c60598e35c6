# Starts a private Xvfb display with openbox for the X11 tests (sourced by test.sh). Its
# display number file and the two servers' logs live in a temp folder of its own
# (XVFB_DIR), removed with the servers when the shell exits.
start_xvfb() {
  # Xvfb picks a free display number itself (-displayfd), so that runs of several people on
  # one machine never share or kill each other's display.
  XVFB_DIR=$(mktemp -d /tmp/pixkit-xvfb-XXXXXX)
  local numfile="$XVFB_DIR/display"
  Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp >"$numfile" 2>"$XVFB_DIR/xvfb.log" &
  XVFB_PID=$!
  local n="" i
  for i in $(seq 1 100); do
    n=$(head -n1 "$numfile" 2>/dev/null || true)
    [ -n "$n" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$n" ] || [ ! -e "/tmp/.X11-unix/X$n" ]; then
    echo "Xvfb could not start; the X11 tests cannot run (its log: $XVFB_DIR/xvfb.log)" >&2
    return 1
  fi
  export DISPLAY=":$n"
  openbox >"$XVFB_DIR/openbox.log" 2>&1 &
  OPENBOX_PID=$!
  # Windows mapped while the window manager is still starting can be lost: wait until it
  # announces itself on the root window.
  for i in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
  done
  trap 'kill $OPENBOX_PID $XVFB_PID 2>/dev/null || true; rm -rf "$XVFB_DIR"' EXIT
}
