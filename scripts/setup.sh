#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; safe to run again.
# (The 32-bit build's Wine lives apart, in the WoW64 runtime that
# scripts/wow64-runtime.sh makes with debootstrap.)
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  mingw-w64-tools libwine-dev
  wine64 wine
  googletest
  clang libclang-rt-14-dev clang-format clang-tidy
  python3
  xvfb xauth x11-utils xdotool
  debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
