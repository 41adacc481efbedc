#!/usr/bin/env bash
# Builds ResoLaunch.exe and starts it under Wine (Japanese locale, a private
# prefix in build/). With an X display: in a 1024x768 Wine desktop window on
# that display, where display modes really enumerate and switch. Without one:
# under a private Xvfb, writing a screenshot PNG.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target ResoLaunch

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  source scripts/lib/wine.sh
  start_wine
  echo "starting ResoLaunch on $DISPLAY (close its window to end)"
  wine_run explorer /desktop=ResoLaunch,1024x768 "$(win_path build/mingw/ResoLaunch.exe)" \
    >"$RESOLAUNCH_LOG_DIR/run.log" 2>&1
  wineserver -w
else
  echo "no X display: starting ResoLaunch under Xvfb for a screenshot"
  exec bash scripts/screenshot.sh build/screenshot.png build/mingw
fi
