#!/usr/bin/env bash
# Builds ResoLaunch.exe and starts it under Wine (Japanese locale, the prefix
# build/wineprefix-run). With an X display: in a 1024x768 Wine desktop window
# on that display, where display modes really enumerate and switch. Without
# one: under a private Xvfb, writing a screenshot PNG.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target ResoLaunch

export RESOLAUNCH_WINEPREFIX="${RESOLAUNCH_WINEPREFIX:-$PWD/build/wineprefix-run}"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # shellcheck source=SCRIPTDIR/lib/wine.sh
  source scripts/lib/wine.sh
  wine_session run current
  echo "starting ResoLaunch on $DISPLAY (close its window to end)"
  wine_run explorer /desktop=ResoLaunch,1024x768 "$(win_path build/mingw/ResoLaunch.exe)" >"$(wine_log explorer)" 2>&1
  # Programs it started may still be open.
  wineserver -w
else
  echo "no X display: starting ResoLaunch under Xvfb for a screenshot"
  exec bash scripts/screenshot.sh build/screenshot.png build/mingw
fi
