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
  # The server picks a free display number itself (-displayfd): runs started together cannot
  # end up sharing one server that the first to finish takes away.
  local numberfile i
  numberfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -ac -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
  TOVALU_XVFB_PID=$!
  trap 'kill $TOVALU_XVFB_PID 2>/dev/null' EXIT
  for i in $(seq 1 100); do
    if [ -s "$numberfile" ]; then
      export DISPLAY=":$(head -n 1 "$numberfile")"
      if xdpyinfo >/dev/null 2>&1; then
        rm -f "$numberfile"
        return 0
      fi
    fi
    sleep 0.1
  done
  rm -f "$numberfile"
  kill "$TOVALU_XVFB_PID" 2>/dev/null
  echo "could not start Xvfb" >&2
  return 1
}
