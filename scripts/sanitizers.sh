#!/usr/bin/env bash
# The threaded and multi-process lock tests under ThreadSanitizer (preset
# tsan), then one pass of the Linux suite under valgrind memcheck, each
# bounded in time. Usage: scripts/sanitizers.sh [tsan|memcheck]...
set -uo pipefail
cd "$(dirname "$0")/.."
steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=(tsan memcheck)
# Tests where threads or processes share a lock, a log or a file, and the
# fuzz corpora replayed.
locks='Flock|Lock|Thread|Concurren|Contention|Rotat|LostUpdates|CrashSafety|ProductRegistration|ManyWriters|_corpus'
status=0

run_tsan() {
  cmake --preset tsan >/dev/null && cmake --build --preset tsan --target ixorbase_tests \
    ixoraux_tests ixor_ipc_e2e_tests ixor_reliability_long_tests ixor_ipc_tool_tests \
    fuzz_ini_file_replay fuzz_host_check_replay fuzz_exports_replay \
    >build/tsan.build.log 2>&1 ||
    { tail -n 30 build/tsan.build.log; return 1; }
  # setarch -R: ThreadSanitizer of this clang/gcc generation cannot map its
  # shadow memory under the kernel's high ASLR entropy.
  IXOR_RELIABILITY_SCALE=1 setarch "$(uname -m)" -R \
    timeout 1200 ctest --preset tsan -R "$locks" --timeout 600
}

# On the default build (optimised, with debug information).
run_memcheck() {
  cmake --preset default >/dev/null && cmake --build --preset default >build/default.build.log 2>&1 ||
    { tail -n 30 build/default.build.log; return 1; }
  local failed=0
  for prog in build/default/bin/*_tests; do
    echo "=== valgrind $prog"
    # The aux tests replace operator new to fail allocations on request;
    # valgrind would pair their frees with its own operator new.
    local extra=()
    [ "$(basename "$prog")" = ixoraux_tests ] && extra=(--show-mismatched-frees=no)
    # Children are started from the same program, so --trace-children
    # covers them too; the long tests run at their CI size.
    if ! IXOR_RELIABILITY_SCALE=1 timeout 1800 valgrind --quiet --error-exitcode=99 "${extra[@]}" \
        --leak-check=full --errors-for-leak-kinds=definite --trace-children=yes \
        "$prog" >"build/memcheck.$(basename "$prog").log" 2>&1; then
      tail -n 40 "build/memcheck.$(basename "$prog").log"
      failed=1
    fi
  done
  return $failed
}

for step in "${steps[@]}"; do
  [ ${#steps[@]} -eq 1 ] || echo "=== $step"
  "run_$step" || status=1
done
exit $status
