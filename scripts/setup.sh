#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test ResoLaunch.
# Idempotent: does nothing when everything is already installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  googletest libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  wine wine64 fonts-wine xvfb x11-utils xauth xdotool imagemagick
  fonts-ipafont-gothic fonts-ipafont-mincho locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
