#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the whole
# system once on the built-in default agent root (/var/opt/ixor): ixor-agent
# runs ipc_proxy from the record the library writes, two echo upstreams stand
# in for the endpoints, traffic goes through the proxy's local port to the
# winner, moves when the winner changes and when its first candidate dies
# (no call needed), and the proxy stops with the last registration.
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

bin=$PWD/build/default/bin
tool=$bin/ixor-ipc
unset IXOR_ROOT_DIR
export IXOR_SLEEP_UNIT_MS=100
work=$(mktemp -d /tmp/ixor-demo.XXXXXX)
pids=()

# Whatever happens, every process the demo started goes, the agent first so
# that it stops the proxy itself.
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

say() { printf '\n# %s\n' "$*"; }
run() {
  local shown=() arg
  for arg in "$@"; do
    [[ $arg =~ ^[A-Za-z0-9._/-]+$ ]] && shown+=("$arg") || shown+=("\"$arg\"")
  done
  echo "\$ ixor-ipc ${shown[*]}"
  "$tool" "$@"
}
die() {
  echo "demo: $*" >&2
  "$tool" status >&2 || true
  exit 1
}
# Waits up to 10 s for a command to succeed.
until_ok() {
  local _
  for _ in $(seq 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
# An echo upstream NAME on ADDR:PORT in the background; sets $port to the
# port it listens on and $last to its pid.
upstream() {
  local out=$work/$1.out
  "$tool" echo "$2" "$3" >"$out" &
  last=$!
  pids+=("$last")
  until_ok test -s "$out" || die "the echo upstream on $2:$3 did not start"
  port=$(head -n 1 "$out")
}
traffic() { grep -c ' [1-9][0-9]* bytes back' "$work/$1.out" || true; }
# Sends a line through the proxy's local port until the named upstream
# answers it.
through() {
  local before
  before=$(traffic "$1")
  until_ok sh -c "\"$tool\" send $proxy_port 'hello through the proxy' >/dev/null && [ \$(grep -c ' [1-9][0-9]* bytes back' '$work/$1.out') -gt $before ]" ||
    die "the traffic did not reach $1"
  echo "\$ ixor-ipc send $proxy_port \"hello through the proxy\""
  "$tool" send "$proxy_port" "hello through the proxy"
  echo "(answered by $(grep ' [1-9][0-9]* bytes back' "$work/$1.out" | tail -n 1 | cut -d' ' -f2 | sed 's/:$//'))"
}
proxy_line() { "$tool" status | grep -E '^(ixor-agent|ipc_proxy|local port|connects to):'; }

if [ "$("$tool" hvk 2>/dev/null)" = yes ]; then
  die "the sibling product HVK is installed on this root; the library would leave the proxy alone"
fi

say "Two echo upstreams stand in for the endpoints: product B's on 127.0.0.1," \
    "product A's on 127.0.0.1 and 127.0.0.2 (one port, two candidates)."
upstream b 127.0.0.1 0
b_port=$port
upstream a1 127.0.0.1 0
a_port=$port a1=$last
upstream a2 127.0.0.2 "$a_port"
# A port that was free a moment ago, for the proxy.
upstream free 127.0.0.1 0
proxy_port=$port
kill "$last"
echo "B: 127.0.0.1:$b_port   A: 127.0.0.1:$a_port, then 127.0.0.2:$a_port"

say "A fresh agent root at the built-in default; --force resets one left from" \
    "before. The proxy will listen on 127.0.0.1:$proxy_port."
run init --force --proxy-port "$proxy_port"
run product add A
run product add B

say "ixor-agent starts on the root; it runs what the process records say."
"$bin/ixor-agent" 2>"$work/agent.log" &
agent=$!
pids=("$agent" "${pids[@]}")
until_ok grep -q 'running for' "$work/agent.log" || die "ixor-agent did not start: $(cat "$work/agent.log")"
sed 's/^/  agent| /' "$work/agent.log"

say "A registers with priority 50; the library installs the proxy's record" \
    "and the agent starts ipc_proxy."
run register A 50 "127.0.0.1;127.0.0.2" "$a_port"
through a1
proxy_line

say "B registers with priority 80 and wins; the record is saved again and the" \
    "agent restarts the proxy on B's endpoint."
run register B 80 127.0.0.1 "$b_port"
through b
proxy_line

say "B withdraws; A wins again."
run remove B
through a1

say "A's first candidate, 127.0.0.1:$a_port, dies. Nobody calls anything: the" \
    "proxy finds the upstream gone, applies the registrations again, the" \
    "library picks the candidate that answers and the agent restarts the proxy."
kill "$a1"
through a2
proxy_line

say "A withdraws too; with the last registration gone the library removes the" \
    "record and the agent stops the proxy."
run remove A
until_ok sh -c "! \"$tool\" status | grep -q '^ipc_proxy: running'" || die "the proxy did not stop"
proxy_line

say "The agent stops: SIGTERM, it stops what it runs and exits 0."
kill "$agent"
wait "$agent" || die "ixor-agent exited with status $?"
sed 's/^/  agent| /' "$work/agent.log"
run product remove A
run product remove B
say "Done. The log of the library, the agent and the proxy is in /var/opt/ixor/logs/ixor.log."
