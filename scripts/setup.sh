#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing.
# Usage: scripts/setup.sh [linux|windows|all]   (default: linux)
# all: windows and what the sanitizer, valgrind and fuzz stages need.
set -euo pipefail

want=${1:-linux}
# dpkg-dev and file: cpack's .deb generator works out the package's dependencies.
packages=(cmake ninja-build g++ googletest nlohmann-json3-dev libasio-dev pkg-config dpkg-dev file)
if [ "$want" = windows ] || [ "$want" = all ]; then
  # Both DLL sets, their tests under 64- and 32-bit wine, and the import
  # library and consumer for Microsoft's linker (llvm-dlltool, clang, lld-link).
  packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
             g++-mingw-w64-i686-posix binutils-mingw-w64-i686
             wine wine64 wine32:i386 llvm lld clang)
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
if [ "$want" = all ]; then
  packages+=(libclang-rt-14-dev valgrind)
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
