#!/usr/bin/env bash
# Runs the end-to-end tests of ResoLaunch.exe under Wine, in a 1024x768 Wine
# virtual desktop (where display modes really enumerate) on a private Xvfb,
# never on the user's display.
#
#   scripts/e2e.sh [BUILD_DIR] [GTEST_ARGS...]
#
# BUILD_DIR is a mingw build tree holding ResoLaunch.exe,
# tests/e2e/resolaunch_e2e.exe and tests/e2e/delayed_window.exe (default
# build/mingw); GTEST_ARGS go to the driver, e.g.
# --gtest_filter=StartedProgram.*. The Wine prefix is
# build/wineprefix-e2e unless RESOLAUNCH_WINEPREFIX names another.
# RESOLAUNCH_E2E_TIMEOUT limits the run (seconds, default 300).
#
# Prints the driver's output and a last line "e2e: N passed, M failed"; exits
# non-zero when a test failed, none ran, or the driver left no result.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_arg=${1:-$ROOT/build/mingw}
shift $(($# > 0 ? 1 : 0))
build_dir=$(cd "$build_arg" 2>/dev/null && pwd) || {
  echo "e2e: no build directory $build_arg; build first: cmake --preset mingw && cmake --build --preset mingw" >&2
  echo "e2e: 0 passed, 1 failed"
  exit 1
}
timeout_s=${RESOLAUNCH_E2E_TIMEOUT:-300}

product=$build_dir/ResoLaunch.exe
driver=$build_dir/tests/e2e/resolaunch_e2e.exe
# The program the launch tests have ResoLaunch start; the driver finds it beside itself.
target=$build_dir/tests/e2e/delayed_window.exe
for file in "$product" "$driver" "$target"; do
  if [ ! -f "$file" ]; then
    echo "e2e: $file is missing; build it first: cmake --build $build_dir" >&2
    echo "e2e: 0 passed, 1 failed"
    exit 1
  fi
done

results=$build_dir/e2e-results
mkdir -p "$results"
xml=$results/resolaunch_e2e.xml
log=$results/resolaunch_e2e.log
rm -f "$xml" "$log"

# A home of its own: Wine may link the prefix's Desktop folder into $HOME,
# and the tests make shortcuts there.
export HOME="$results/home"
rm -rf "$HOME"
mkdir -p "$HOME"

# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$ROOT/scripts/lib/wine.sh"
# shellcheck source=SCRIPTDIR/lib/gtest.sh
source "$ROOT/scripts/lib/gtest.sh"
started=$SECONDS
# Always on a private Xvfb, even when DISPLAY is set.
if ! wine_session e2e xvfb; then
  echo "e2e: 0 passed, 1 failed"
  exit 1
fi
# A prefix made under another home links its Desktop folder there: the
# shortcuts the tests make stay in this one.
for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  if [ -L "$desktop" ]; then ln -sfn "$HOME" "$desktop"; fi
done

# The driver's output goes to a file: Wine's background services keep
# inherited pipes open.
gtest_args=""
for arg in "$@"; do gtest_args+=" \"$arg\""; done
# The tests that need two displays run in a session of their own (below).
if [ $# -eq 0 ]; then gtest_args=" \"--gtest_filter=-TwoDisplays.*\""; fi
export RESOLAUNCH_EXE
RESOLAUNCH_EXE=$(win_path "$product")
wine_desktop_batch ResoLaunchE2E "$timeout_s" \
  <<<"\"$(win_path "$driver")\" \"--gtest_output=xml:$(win_path "$xml")\"$gtest_args >\"$(win_path "$log")\" 2>&1" || true
elapsed=$((SECONDS - started))

if [ -f "$log" ]; then
  cat "$log"
else
  echo "e2e: the driver wrote no output (see $(wine_log ResoLaunchE2E))" >&2
fi

passed=0
failed=0
skipped=0
if ! read -r passed failed skipped < <(gtest_counts "$xml"); then
  echo "e2e: no complete XML report at $xml" >&2
  passed=0
  failed=1
  skipped=0
elif [ "$failed" -eq 0 ]; then
  if [ "$passed" -eq 0 ]; then
    echo "e2e: no test ran" >&2
    failed=1
  elif [ "$WINE_DESKTOP_STATUS" != "0" ]; then
    echo "e2e: the driver ended with status '${WINE_DESKTOP_STATUS:-none}'" >&2
    failed=1
  fi
fi

wine_session_end

# The tests that need two displays: on an Xvfb with two Xinerama screens,
# without a virtual desktop, Wine lists two. Run with the others unless a
# selection of tests was asked for.
if [ $# -eq 0 ]; then
  xml2=$results/two_displays.xml
  log2=$results/two_displays.log
  rm -f "$xml2" "$log2"
  if wine_session e2e xinerama; then
    RESOLAUNCH_E2E_TWO_DISPLAYS=1 wine_start "$log2.raw" "$driver" "--gtest_filter=TwoDisplays.*" \
      "--gtest_output=xml:$(win_path "$xml2")"
    driver_pid=$WINE_PID
    # shellcheck disable=SC2317  # run by wait_for
    driver_gone() { ! kill -0 "$driver_pid" 2>/dev/null; }
    wait_for "$timeout_s" driver_gone || echo "e2e: the two-display tests did not finish within $timeout_s s" >&2
  fi
  wine_session_end
  if [ -f "$log2.raw" ]; then tr -d '\r' <"$log2.raw" >"$log2" && cat "$log2"; fi
  if read -r passed2 failed2 skipped2 < <(gtest_counts "$xml2"); then
    passed=$((passed + passed2))
    failed=$((failed + failed2))
    skipped=$((skipped + skipped2))
  else
    echo "e2e: no complete XML report at $xml2" >&2
    failed=$((failed + 1))
  fi
  elapsed=$((SECONDS - started))
fi

echo "e2e: results in $results ($elapsed s, $skipped skipped)"
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
