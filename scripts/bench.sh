#!/usr/bin/env bash
# Builds the default preset with the benchmarks and runs them, printing the
# table of ratios. Linux only.
# Usage: scripts/bench.sh [single|scaling|contention|probe|relay|agent ...]   (default: all)
# IXOR_BENCH_DIR picks the folder of the temporary agent roots (default /tmp).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh linux
for pkg in libsqlite3-dev socat; do
  if ! dpkg -s "$pkg" >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$pkg" >/dev/null
  fi
done

cmake --preset default -DIXOR_BUILD_BENCH=ON >/dev/null
cmake --build --preset default --target ixor_bench ixor_bench_probe ixor_bench_relay ixor_bench_agent >/dev/null

dir=${IXOR_BENCH_DIR:-/tmp}
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
     "kernel $(uname -r), $(df -T "$dir" | awk 'NR==2 {print $2}') at $dir"

sections=()
probe=yes
relay=yes
agent=yes
if [ $# -gt 0 ]; then
  probe=no
  relay=no
  agent=no
  for s in "$@"; do
    case "$s" in
      probe) probe=yes ;;
      relay) relay=yes ;;
      agent) agent=yes ;;
      *) sections+=("$s") ;;
    esac
  done
fi
if [ $# -eq 0 ] || [ ${#sections[@]} -gt 0 ]; then
  build/default/bin/ixor_bench "${sections[@]}"
fi
if [ "$probe" = yes ]; then
  build/default/bin/ixor_bench_probe
fi
if [ "$relay" = yes ]; then
  build/default/bin/ixor_bench_relay
fi
if [ "$agent" = yes ]; then
  build/default/bin/ixor_bench_agent
fi
