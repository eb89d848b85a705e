#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing.
# Usage: scripts/setup.sh [linux|windows|all]   (default: linux)
set -euo pipefail

want=${1:-linux}
packages=(cmake ninja-build g++ googletest pkg-config)
if [ "$want" = windows ] || [ "$want" = all ]; then
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 binutils-mingw-w64-x86-64)
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
