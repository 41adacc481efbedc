#!/usr/bin/env bash
# Builds ResoLaunch.exe and packs build/release/ResoLaunch-<version>-win64.zip:
# the exe and a short readme in Japanese, as a portable Windows download.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target ResoLaunch
cpack --config build/mingw/CPackConfig.cmake -B build/release >/dev/null
rm -rf build/release/_CPack_Packages
ls build/release/ResoLaunch-*-win64.zip
