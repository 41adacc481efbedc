# Sourced by the scripts: a private Wine prefix and, when wanted, a private Xvfb.
# Stops only what it started.

RESOLAUNCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="${RESOLAUNCH_WINEPREFIX:-$RESOLAUNCH_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
# Japanese Windows: ANSI code page 932. Wine reads it when the wineserver starts.
RESOLAUNCH_WINE_LOCALE=ja_JP.UTF-8
RESOLAUNCH_LOG_DIR="$RESOLAUNCH_ROOT/build/logs"
mkdir -p "$RESOLAUNCH_LOG_DIR"

wine_run() { LC_ALL=$RESOLAUNCH_WINE_LOCALE wine "$@"; }

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() {
  local timeout=$1; shift
  local deadline=$((SECONDS + timeout))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then return 1; fi
    sleep 0.05
  done
}

XVFB_PID=""
# Starts a private Xvfb at 1280x1024 and points DISPLAY at it.
start_xvfb() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$RESOLAUNCH_LOG_DIR/xvfb.log" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  if ! wait_for 20 test -e "/tmp/.X11-unix/X$n"; then
    echo "Xvfb did not start (see $RESOLAUNCH_LOG_DIR/xvfb.log)" >&2
    return 1
  fi
}

# Creates the prefix on first use and starts its wineserver in the Japanese locale.
start_wine() {
  # A wineserver left from an earlier run may hold another locale.
  wineserver -k >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX (once, 10-20 s)" >&2
    mkdir -p "$WINEPREFIX"
    LC_ALL=$RESOLAUNCH_WINE_LOCALE wineboot -i >"$RESOLAUNCH_LOG_DIR/wineboot.log" 2>&1
    wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >>"$RESOLAUNCH_LOG_DIR/wineboot.log" 2>&1
  fi
  # Wine's background services keep inherited pipes open: give them a file.
  LC_ALL=$RESOLAUNCH_WINE_LOCALE wineboot >>"$RESOLAUNCH_LOG_DIR/wineboot.log" 2>&1
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# Converts a Linux path to the Windows path Wine sees.
win_path() { LC_ALL=$RESOLAUNCH_WINE_LOCALE winepath -w "$1" 2>/dev/null; }

# A scratch folder ($WORK) and traps that stop, when the script exits, what it
# started: Wine, the explorer desktop in $EXPLORER_PID, and Xvfb.
begin_wine_session() {
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/resolaunch-$1.XXXXXX")
  EXPLORER_PID=""
  trap end_wine_session EXIT
  trap 'exit 130' INT TERM
}

end_wine_session() {
  stop_wine
  if [ -n "${EXPLORER_PID:-}" ]; then wait "$EXPLORER_PID" 2>/dev/null || true; fi
  stop_xvfb
  if [ -n "${WORK:-}" ]; then rm -rf "$WORK"; fi
}
