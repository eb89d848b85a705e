#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing.
# Usage: scripts/setup.sh [linux|windows|all]   (default: linux)
# all adds what the sanitizer, valgrind and fuzz stages need.
set -euo pipefail

want=${1:-linux}
packages=(cmake ninja-build g++ googletest nlohmann-json3-dev pkg-config)
if [ "$want" = windows ] || [ "$want" = all ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 binutils-mingw-w64-x86-64)
fi
if [ "$want" = all ]; then
  packages+=(clang libclang-rt-14-dev valgrind)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
