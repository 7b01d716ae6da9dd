# Shared settings of the project's scripts; sourced, never run.
TOVALU_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${TOVALU_DEPS:=/var/cache/tovalu-deps}"
: "${TOVALU_TEST_USER:=tovalutest}"
export TOVALU_ROOT TOVALU_DEPS TOVALU_TEST_USER

log() { printf '[tovalu] %s\n' "$*" >&2; }

# Starts Xvfb on a free display when none is set, and exports DISPLAY.
# The server dies with the calling shell.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -ac -nolisten tcp >/dev/null 2>&1 &
    TOVALU_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && { trap 'kill $TOVALU_XVFB_PID 2>/dev/null' EXIT; return 0; }
      sleep 0.1
    done
    kill "$TOVALU_XVFB_PID" 2>/dev/null
  done
  echo "could not start Xvfb" >&2
  return 1
}
