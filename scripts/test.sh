#!/usr/bin/env bash
# Builds and runs every test suite: Linux; Linux under AddressSanitizer and
# UndefinedBehaviorSanitizer; the 64- and 32-bit Windows DLLs under wine;
# the lock and process tests under ThreadSanitizer; one pass under valgrind
# memcheck; and each fuzz target for a bounded time.
# Usage: scripts/test.sh [stage...]
#   stages: default asan windows windows32 tsan memcheck fuzz   (default: all of them)
# IXOR_FUZZ_SECONDS sets the time of each fuzz target (default 30).
# A kernel that cannot start 32-bit programs (scripts/runs-32bit.sh) gets the
# windows32 stage without the tests that start them, and a line saying so.
set -uo pipefail
cd "$(dirname "$0")/.."

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(default asan windows windows32 tsan memcheck fuzz)
scripts/setup.sh "$(printf '%s\n' "${stages[@]}" | grep -qxE 'windows|windows32|fuzz|memcheck' && echo all || echo linux)" || exit 1

mkdir -p build
status=0
summary=()

# A CMake preset: configure, build, run its suite; further arguments go to
# ctest.
run_preset() {
  local preset=$1 log=build/$1
  shift
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log.build.log" 2>&1; then
    tail -n 40 "$log.build.log"
    echo "$preset: build FAILED (see $log.build.log)"
    return 1
  fi
  ctest --preset "$preset" "$@" >"$log.test.log" 2>&1
  grep -E '\*\*\*(Failed|Timeout|Exception)|\((Failed|Timeout)\)' "$log.test.log" | tail -n 60
  show_failure_output "$log.test.log"
  local result
  result=$(grep -E 'tests passed' "$log.test.log" | tail -n 1)
  echo "${result:-no result (see $log.test.log)}"
  count_ctest "$log.test.log"
  grep -q '100% tests passed' "$log.test.log"
}

# The first lines that each failing test printed, so that a failure in CI
# can be read without its build folder.
show_failure_output() {
  awk '/\*\*\*(Failed|Timeout|Exception)/ { left = 25 } left > 0 { print "  | " $0; left-- }' "$1" | head -n 150
}

# Adds a CTest summary ("... N tests failed out of M") to the totals.
passed=0
failed=0
count_ctest() {
  local line failures total
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  [ -n "$line" ] || { failed=$((failed + 1)); return; }
  failures=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - failures))
  failed=$((failed + failures))
}

run_tsan() {
  scripts/sanitizers.sh tsan | tee build/tsan.test.log
  local rc=$?
  count_ctest build/tsan.test.log
  return $rc
}

# Where the kernel cannot start 32-bit programs, the 32-bit DLLs are still
# built (with the MSVC-mode consumer) and checked without starting them.
run_windows32() {
  if scripts/runs-32bit.sh >/dev/null; then
    run_preset windows32
    return
  fi
  run_preset windows32 -LE wine || return
  echo "windows32: this kernel cannot start 32-bit programs, so the 32-bit tests under wine did not run here"
}

run_stage() {
  case $1 in
    default|asan|windows) run_preset "$1" ;;
    windows32) run_windows32 ;;
    tsan) run_tsan ;;
    memcheck) scripts/sanitizers.sh memcheck ;;
    fuzz) scripts/fuzz.sh "${IXOR_FUZZ_SECONDS:-30}" ;;
    *) echo "unknown stage $1"; return 2 ;;
  esac
}

for stage in "${stages[@]}"; do
  echo "=== $stage"
  start=$SECONDS
  if run_stage "$stage"; then verdict=passed; else verdict=FAILED; status=1; fi
  summary+=("$stage: $verdict in $((SECONDS - start)) s")
done
echo "=== summary"
printf '%s\n' "${summary[@]}"
echo "ctest: $passed passed, $failed failed"
exit $status
