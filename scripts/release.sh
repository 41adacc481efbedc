#!/usr/bin/env bash
# Builds ResoLaunch.exe and packs build/release/ResoLaunch-<version>-win64.zip:
# the exe, a short readme in Japanese and the licence, as a portable Windows
# download, with SHA256SUMS beside it.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target ResoLaunch
cpack --config build/mingw/CPackConfig.cmake -B build/release >/dev/null
rm -rf build/release/_CPack_Packages
(cd build/release && sha256sum ResoLaunch-*-win64.zip >SHA256SUMS)
ls build/release/ResoLaunch-*-win64.zip build/release/SHA256SUMS
