#!/usr/bin/env bash
# Start-up benchmark of ResoLaunch.exe under Wine.
#
#   scripts/bench-startup.sh [BUILD_DIR] [RUNS]
#
# Builds the mingw preset's benchmark targets (in build/mingw, or in BUILD_DIR
# configured from the same preset), then, on a private Xvfb and in a private
# Wine prefix, runs in one virtual desktop (ResoLaunchBench, 1024x768):
#   startup_calls.exe  the display calls start-up makes, against a fake
#                      300-mode driver and the desktop's real one;
#   startup_time.exe   ResoLaunch.exe against its two baselines, layout_window.exe
#                      (the same window without mode table or settings) and
#                      bare_window.exe, RUNS starts each (20 by default):
#                      median, min, max, ratios of medians;
#   launch_time.exe    a click on 起動＞待機 until the started program's window
#                      is placed (tests/e2e/delayed_window.exe, 5 runs).
# Then runs the native startup_calls (build/native, built when missing).
#
# Environment: RESOLAUNCH_WINEPREFIX picks the prefix (default
# build/wineprefix-bench). Prints the figures; exits non-zero when a program
# did not report. The ratio goal is printed, not enforced.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

BUILD_DIR=${1:-build/mingw}
RUNS=${2:-20}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
case "$RUNS" in '' | *[!0-9]*) echo "RUNS must be a number, not '$RUNS'" >&2; exit 2 ;; esac

TARGETS=(ResoLaunch layout_window bare_window startup_time startup_calls launch_time delayed_window)
echo "== building ${TARGETS[*]} in ${BUILD_DIR#"$ROOT/"}"
if [ "$BUILD_DIR" = "$ROOT/build/mingw" ]; then
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target "${TARGETS[@]}"
else
  cmake --preset mingw -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" --target "${TARGETS[@]}"
fi
APP="$BUILD_DIR/ResoLaunch.exe"
BENCH="$BUILD_DIR/bench"

# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"
wine_session bench xvfb

# One desktop for all programs: cmd runs them one after the other.
CALLS_OUT="$WORK/startup_calls.txt"
TIME_OUT="$WORK/startup_time.txt"
LAUNCH_OUT="$WORK/launch_time.txt"
echo "== running in the Wine desktop ResoLaunchBench (display $DISPLAY, prefix ${WINEPREFIX#"$ROOT/"})"
# Other work on the machine shows in the figures: say how busy it was.
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
# Each start has its own deadline inside startup_time; this one only guards
# against a desktop that hangs as a whole.
COMMANDS=$(
  printf '"%s" "%s"\n' "$(win_path "$BENCH/startup_calls.exe")" "$(win_path "$CALLS_OUT")"
  printf '"%s" "%s" "%s" "%s" "%s" --runs %s\n' "$(win_path "$BENCH/startup_time.exe")" "$(win_path "$TIME_OUT")" \
    "$(win_path "$APP")" "$(win_path "$BENCH/layout_window.exe")" "$(win_path "$BENCH/bare_window.exe")" "$RUNS"
  printf '"%s" "%s" "%s" "%s"\n' "$(win_path "$BENCH/launch_time.exe")" "$(win_path "$LAUNCH_OUT")" \
    "$(win_path "$APP")" "$(win_path "$BUILD_DIR/tests/e2e/delayed_window.exe")"
)
if ! wine_desktop_batch ResoLaunchBench $((120 + RUNS * 7 * 15)) <<<"$COMMANDS"; then
  exit 1
fi
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
echo "load average before: $LOAD_BEFORE, after: $LOAD_AFTER ($(nproc) processors)"

status=0
# Prints the report file $1 of the program $2; a missing report, or one that
# tells of an error, makes the script fail.
show_report() {
  if [ -f "$1" ]; then
    cat "$1"
    if grep -q '^error:' "$1"; then status=1; fi
  else
    echo "$2 wrote no report" >&2
    status=1
  fi
}
echo
echo "== display calls at start-up (Windows build, in the Wine desktop)"
show_report "$CALLS_OUT" startup_calls.exe
echo
echo "== start-up time (in the Wine desktop)"
show_report "$TIME_OUT" startup_time.exe

echo
echo "== launch time (in the Wine desktop)"
show_report "$LAUNCH_OUT" launch_time.exe

echo
echo "== display calls at start-up (native build, fake driver only)"
NATIVE_CALLS="$ROOT/build/native/bench/startup_calls"
NATIVE_LOG="$RESOLAUNCH_LOG_DIR/bench-startup-native.log"
: >"$NATIVE_LOG"
if [ ! -f "$ROOT/build/native/CMakeCache.txt" ]; then
  cmake --preset native >>"$NATIVE_LOG" 2>&1 || true
fi
if ! cmake --build --preset native --target startup_calls >>"$NATIVE_LOG" 2>&1 && [ -x "$NATIVE_CALLS" ]; then
  echo "(the native build failed, see $NATIVE_LOG: running the binary from before)"
fi
if [ -x "$NATIVE_CALLS" ]; then
  "$NATIVE_CALLS"
else
  echo "no native startup_calls (see $NATIVE_LOG)" >&2
  status=1
fi
exit "$status"
