#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build/fuzz and
# runs each for SECONDS (default 60) from a copy of its seed corpus, so the
# repository's corpus stays as committed. Fails on any finding.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"

command -v clang++ >/dev/null || { echo "clang++ is missing (apt-get install clang libclang-rt-14-dev)"; exit 1; }
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DBUILD_TESTING=OFF -DIXOR_BUILD_FUZZ=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target fuzz_ini_file fuzz_host_check fuzz_exports \
  >build/fuzz.build.log 2>&1 || { tail -n 40 build/fuzz.build.log; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in fuzz_ini_file fuzz_host_check fuzz_exports; do
  mkdir -p "$scratch/$target/corpus" "$scratch/$target/tmp" "$scratch/$target/findings"
  cp fuzz/corpus/$target/* "$scratch/$target/corpus/"
  echo "=== $target: ${seconds}s"
  if ! TMPDIR="$scratch/$target/tmp" "$build/bin/$target" -max_total_time="$seconds" \
      -max_len=70000 -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$scratch/$target/findings/" "$scratch/$target/corpus" \
      >"$scratch/$target/log" 2>&1; then
    status=1
    tail -n 60 "$scratch/$target/log"
    mkdir -p build/fuzz-findings && cp -r "$scratch/$target/findings" "build/fuzz-findings/$target"
    echo "=== $target: FINDING (input kept in build/fuzz-findings/$target)"
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss|cov:' "$scratch/$target/log" | tail -n 3
done
exit $status
