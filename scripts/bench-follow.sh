#!/usr/bin/env bash
# Benchmark of following a launch under Wine.
#
#   scripts/bench-follow.sh [RUNS] [WAIT_SECONDS]
#
# Builds ResoLaunch.exe and bench/follow_time.exe (mingw preset, build/mingw)
# and runs, on a private Xvfb in a 1024x768 Wine desktop (ResoLaunchFollow)
# of its own prefix (build/wineprefix-bench-follow):
#   - with ゲーム終了時に解像度を戻す checked, 解像度変更＞起動 of a program that
#     ends by itself: its end until the screen is back, RUNS times (10); the
#     same for a game started from a URL handed to a client already running;
#   - 起動＞待機 of a program that centres its placed window: its own move
#     until the window is back in place, RUNS times;
#   - ResoLaunch's processor time during the 10 s watch after a placement,
#     while it waits WAIT_SECONDS (300) for a program that runs on, and while it
#     follows a URL-started game for WAIT_SECONDS, given per hour (read from
#     /proc: under Wine, Windows' own figure tells nothing).
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
PHASES="$OUT.phases"
TICKS="$WORK/ticks.txt"

# shellcheck source=SCRIPTDIR/lib/bench-phases.sh
source "$ROOT/scripts/lib/bench-phases.sh"

echo "== running in the Wine desktop ResoLaunchFollow (display $DISPLAY, about $((2 * WAIT_SECONDS + RUNS * 12 + 40)) s)"
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
sample_phases "$PHASES" "$TICKS" &
SAMPLER_PID=$!
status=0
wine_desktop_batch ResoLaunchFollow $((2 * WAIT_SECONDS + RUNS * 60 + 200)) <<<"$(printf '"%s" "%s" "%s" "%s" --runs %s --wait %s' \
  "$(win_path "$BUILD_DIR/bench/follow_time.exe")" "$(win_path "$OUT")" "$(win_path "$BUILD_DIR/ResoLaunch.exe")" \
  "$(win_path "$BUILD_DIR/tests/e2e/delayed_window.exe")" "$RUNS" "$WAIT_SECONDS")" || status=1
touch "$WORK/sampler.stop"
wait "$SAMPLER_PID" || true
[ "$status" -eq 0 ] || exit 1
echo "load average before: $LOAD_BEFORE, after: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) processors)"
if [ ! -f "$OUT" ]; then
  echo "follow_time.exe wrote no report (see $(wine_log ResoLaunchFollow))" >&2
  exit 1
fi
cat "$OUT"
echo
if watch_ms=$(phase_ms watch "$TICKS") && wait_ms=$(phase_ms wait "$TICKS") && url_wait_ms=$(phase_ms url-wait "$TICKS"); then
  awk -v watch="$watch_ms" -v wait="$wait_ms" -v url="$url_wait_ms" -v seconds="$WAIT_SECONDS" 'BEGIN {
    printf "the watch: ResoLaunch used %.0f ms of processor time in 10 s, %.2f %% of one core (goal <= 1 %%)\n", watch, watch / 100
    printf "waiting for a running program: ResoLaunch used %.0f ms of processor time in %d s, %.0f ms per hour\n", wait, seconds, wait * 3600 / seconds
    printf "following a URL-started game outside the job: %.0f ms in %d s, %.0f ms per hour (goal <= 1000)\n", url, seconds, url * 3600 / seconds
  }'
  echo "(processor time read from /proc in clock ticks of $((1000 / $(getconf CLK_TCK))) ms)"
else
  echo "the processor time was not measured: marks $(tr '\n' ' ' <"$PHASES" 2>/dev/null), ticks $(tr '\n' ' ' <"$TICKS" 2>/dev/null)" >&2
  exit 1
fi
! grep -q '^error:' "$OUT"
