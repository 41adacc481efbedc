#!/usr/bin/env bash
# Benchmark of the guard under Wine.
#
#   scripts/bench-guard.sh [RUNS] [WAIT_SECONDS]
#
# Builds ResoLaunch.exe and bench/guard_time.exe (mingw preset, build/mingw)
# and runs, on a private Xvfb in a 1024x768 Wine desktop (ResoLaunchGuard)
# of its own prefix (build/wineprefix-bench-guard):
#   - with ゲーム終了時に解像度を戻す checked, 解像度変更＞起動 of a program that
#     ends by itself, ResoLaunch ended meanwhile as the Task Manager ends it:
#     the program's end until the guard has the screen back, RUNS times (10);
#   - the guard's processor time while it waits WAIT_SECONDS (300) alone for a
#     program that runs on, given per hour (read from /proc), and its memory:
#     as Wine counts it for Windows programs, and the whole Wine process's
#     anonymous resident memory.
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
cmake --build --preset mingw --target ResoLaunch delayed_window guard_time idle_process
BUILD_DIR=$ROOT/build/mingw

# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"
wine_session bench-guard xvfb
# shellcheck source=SCRIPTDIR/lib/bench-phases.sh
source "$ROOT/scripts/lib/bench-phases.sh"

OUT="$WORK/guard_time.txt"
PHASES="$OUT.phases"
TICKS="$WORK/ticks.txt"

echo "== running in the Wine desktop ResoLaunchGuard (display $DISPLAY, about $((WAIT_SECONDS + RUNS * 8 + 40)) s)"
sample_phases "$PHASES" "$TICKS" &
SAMPLER_PID=$!
status=0
wine_desktop_batch ResoLaunchGuard $((WAIT_SECONDS + RUNS * 60 + 200)) <<<"$(printf '"%s" "%s" "%s" "%s" --runs %s --wait %s' \
  "$(win_path "$BUILD_DIR/bench/guard_time.exe")" "$(win_path "$OUT")" "$(win_path "$BUILD_DIR/ResoLaunch.exe")" \
  "$(win_path "$BUILD_DIR/tests/e2e/delayed_window.exe")" "$RUNS" "$WAIT_SECONDS")" || status=1
touch "$WORK/sampler.stop"
wait "$SAMPLER_PID" || true
[ "$status" -eq 0 ] || exit 1
if [ ! -f "$OUT" ]; then
  echo "guard_time.exe wrote no report (see $(wine_log ResoLaunchGuard))" >&2
  exit 1
fi
cat "$OUT"
echo
if wait_ms=$(phase_ms guard-wait "$TICKS"); then
  read -r guard_kib idle_kib < <(awk '$1 == "guard-wait-end" { print $5, $4 }' "$TICKS")
  read -r waiting_kib < <(awk '$1 == "owner-alive-end" { print $5 }' "$TICKS")
  awk -v wait="$wait_ms" -v seconds="$WAIT_SECONDS" -v guard="$guard_kib" -v idle="$idle_kib" -v waiting="$waiting_kib" 'BEGIN {
    printf "anonymous resident memory (Linux RssAnon) of the whole Wine process, an idle program with the same DLLs: %d KiB\n", idle
    printf "  the guard while its owner runs: %d KiB, its own %d KiB\n", waiting, waiting - idle
    printf "the guard alone, waiting for a running program: %.0f ms of processor time in %d s, %.0f ms per hour (goal <= 1000)\n", wait, seconds, wait * 3600 / seconds
    printf "  the guard alone, following the launch: %d KiB, its own %d KiB (goal <= 2048)\n", guard, guard - idle
  }'
  echo "(processor time read from /proc in clock ticks of $((1000 / $(getconf CLK_TCK))) ms)"
else
  echo "the processor time was not measured: marks $(tr '\n' ' ' <"$PHASES" 2>/dev/null), ticks $(tr '\n' ' ' <"$TICKS" 2>/dev/null)" >&2
  exit 1
fi
! grep -q '^error:' "$OUT"
