#!/usr/bin/env bash
# Answers whether this kernel starts 32-bit x86 programs, by starting one:
# some kernels have no IA32 emulation, and nothing short of trying tells.
# Setup installs 32-bit wine only where the answer is yes; the windows32
# stage runs its tests under wine only there.
# Usage: scripts/runs-32bit.sh      prints "yes" or "no", exits 0 or 1
# IXOR_32BIT_PROBE=PROGRAM starts PROGRAM instead of the built-in one, so
# that both answers can be checked on any machine.
set -uo pipefail

probe=${IXOR_32BIT_PROBE:-}
if [ -z "$probe" ]; then
  # The build folder, not /tmp, which hardened machines mount noexec.
  dir="$(dirname "$0")/../build"
  mkdir -p "$dir" || exit 1
  probe=$(mktemp "$dir/runs-32bit.XXXXXX") || exit 1
  trap 'rm -f "$probe"' EXIT
  # An i386 ELF executable of one loadable segment at 0x08048000 whose
  # code is "mov eax, 1; xor ebx, ebx; int 0x80": exit(0).
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod 700 "$probe"
fi

if "$probe" >/dev/null 2>&1; then
  echo yes
else
  echo no
  exit 1
fi
