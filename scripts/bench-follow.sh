#!/usr/bin/env bash
# Benchmark of following a launch under Wine.
#
#   scripts/bench-follow.sh [RUNS] [WAIT_SECONDS]
#
# Builds ResoLaunch.exe and bench/follow_time.exe (mingw preset, build/mingw)
# and runs, on a private Xvfb in a 1024x768 Wine desktop (ResoLaunchFollow)
# of its own prefix (build/wineprefix-bench-follow):
#   - with ゲーム終了時に解像度を戻す checked, 解像度変更＞起動 of a program that
#     ends by itself: its end until the screen is back, RUNS times (10);
#   - ResoLaunch's processor time while it waits WAIT_SECONDS (300) for a
#     program that runs on, given per hour.
# Prints the figures; exits non-zero when the benchmark did not report.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
RUNS=${1:-10}
WAIT_SECONDS=${2:-300}
for number in "$RUNS" "$WAIT_SECONDS"; do
  case "$number" in '' | *[!0-9]*) echo "RUNS and WAIT_SECONDS are numbers, not '$number'" >&2; exit 2 ;; esac
done

bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target ResoLaunch delayed_window follow_time
BUILD_DIR=$ROOT/build/mingw

# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"
wine_session bench-follow xvfb

OUT="$WORK/follow_time.txt"
echo "== running in the Wine desktop ResoLaunchFollow (display $DISPLAY, about $((WAIT_SECONDS + RUNS * 5)) s)"
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
if ! wine_desktop_batch ResoLaunchFollow $((WAIT_SECONDS + RUNS * 30 + 120)) <<<"$(printf '"%s" "%s" "%s" "%s" --runs %s --wait %s' \
  "$(win_path "$BUILD_DIR/bench/follow_time.exe")" "$(win_path "$OUT")" "$(win_path "$BUILD_DIR/ResoLaunch.exe")" \
  "$(win_path "$BUILD_DIR/tests/e2e/delayed_window.exe")" "$RUNS" "$WAIT_SECONDS")"; then
  exit 1
fi
echo "load average before: $LOAD_BEFORE, after: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) processors)"
if [ ! -f "$OUT" ]; then
  echo "follow_time.exe wrote no report (see $(wine_log ResoLaunchFollow))" >&2
  exit 1
fi
cat "$OUT"
! grep -q '^error:' "$OUT"
