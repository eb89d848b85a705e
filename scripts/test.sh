#!/usr/bin/env bash
# Builds and runs every test suite: Linux, Linux under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows DLLs under wine.
# Usage: scripts/test.sh [preset...]   (default: default asan windows)
set -uo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan windows)
need=linux
for p in "${presets[@]}"; do [ "$p" = windows ] && need=all; done
scripts/setup.sh "$need" || exit 1

mkdir -p build
status=0
summary=()
for preset in "${presets[@]}"; do
  log=build/$preset
  echo "=== $preset: configure and build"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log.build.log" 2>&1; then
    tail -n 40 "$log.build.log"
    summary+=("$preset: build FAILED (see $log.build.log)")
    status=1
    continue
  fi
  echo "=== $preset: test"
  ctest --preset "$preset" >"$log.test.log" 2>&1
  result=$(grep -E 'tests passed' "$log.test.log" | tail -n 1)
  if ! grep -q '100% tests passed' "$log.test.log"; then
    grep -E '\*\*\*|Failed|Timeout' "$log.test.log" | tail -n 60
    status=1
  fi
  echo "$result"
  summary+=("$preset: ${result:-no result (see $log.test.log)}")
done
echo "=== summary"
printf '%s\n' "${summary[@]}"
exit $status
