#!/usr/bin/env bash
# Installs what is missing, builds the default preset and walks the road once
# with ixor-ipc on the built-in default agent root (/var/opt/ixor): two
# products register, a loopback listener stands in for the upstream, the
# winner is removed and the next one takes over.
# Usage (as root): scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" != 0 ]; then
  echo "demo: run it as root: it writes the default agent root /var/opt/ixor" >&2
  exit 1
fi
scripts/setup.sh linux

mkdir -p build
echo "demo: configuring and building the default preset (log: build/demo.build.log)"
if ! { cmake --preset default && cmake --build --preset default; } >build/demo.build.log 2>&1; then
  tail -n 40 build/demo.build.log
  exit 1
fi

tool=$PWD/build/default/bin/ixor-ipc
unset IXOR_ROOT_DIR
export IXOR_SLEEP_UNIT_MS=100

say() { printf '\n# %s\n' "$*"; }
run() {
  local shown=() arg
  for arg in "$@"; do
    [[ $arg =~ ^[A-Za-z0-9._/-]+$ ]] && shown+=("$arg") || shown+=("\"$arg\"")
  done
  echo "\$ ixor-ipc ${shown[*]}"
  "$tool" "$@"
}
# Stops the demo when the library did not do what the text says.
expect() {
  if ! "$tool" --json status | grep -q -- "$1"; then
    echo "demo: expected $1 in the status, got:" >&2
    "$tool" status >&2
    exit 1
  fi
}

say "IXOR_SLEEP_UNIT_MS=100 makes one pause unit 100 ms, so the wait before the" \
    "proxy is removed lasts 0.3 s instead of 3 s."
say "A fresh agent root at the built-in default; --force resets one left from before."
run init --force
if [ "$("$tool" hvk)" = yes ]; then
  echo "demo: the sibling product HVK is installed on this root; the library would leave the proxy alone" >&2
  exit 1
fi

say "Two products, A and B, are registered with the agent."
run product add A
run product add B

say "A TCP listener on 127.0.0.1 stands in for the upstream endpoint."
port_file=$(mktemp)
"$tool" listen 300 >"$port_file" &
listener=$!
trap 'kill "$listener" 2>/dev/null; rm -f "$port_file"' EXIT
for _ in $(seq 50); do
  [ -s "$port_file" ] && break
  sleep 0.1
done
port=$(cat "$port_file")
echo "listening on 127.0.0.1:$port"

say "A registers with priority 50 and two candidates: 127.0.0.2, where nothing" \
    "listens, and 127.0.0.1, where the listener answers."
run register A 50 "127.0.0.2;127.0.0.1" "$port"
say "B registers with priority 80 and the single address 127.0.0.1."
run register B 80 127.0.0.1 "$port"
run status
expect '"winner":"B"'
expect '"process_config":true'
say "B wins: 80 is the highest priority. A loses to it. The proxy configuration" \
    "holds B's address and the ipc_proxy process is installed."

say "B withdraws its endpoint."
run remove B
run status
expect '"winner":"A"'
expect '"configured_candidate":"127.0.0.1"'
say "A took over. Its candidates were probed in order: 127.0.0.2 did not answer," \
    "127.0.0.1 did, so the proxy configuration holds 127.0.0.1."

say "A withdraws its endpoint too; no registration is left."
run remove A
run status
expect '"process_config":false'
say "With the last registration gone the library paused briefly and removed the" \
    "ipc_proxy process configuration."

say "The agent forgets the two products."
run product remove A
run product remove B
say "Done. The library's log is in /var/opt/ixor/logs/ixor.log."
