#!/usr/bin/env bash
# Many computers sharing one master through a cloud service that copies late, out of order, half
# written and into conflict copies, their users editing at random: thousands of seeds of the
# simulation in tests/sim, with its figures summed. Goal: 0 violations.
#
#   bench/simulate.sh [build folder] [seeds] [first seed] [shards]
# A seed that breaks a promise is printed with what broke; run it again on its own with
#   <build>/tests/sim/wordloom_simulate --from SEED --count 1 --trace
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seeds=${2:-2000}
first=${3:-1}
shards=${4:-2}

cmake --build "$build" --target wordloom_simulate >/dev/null
simulate=$build/tests/sim/wordloom_simulate

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
start=$(date +%s)
per=$(((seeds + shards - 1) / shards))
for ((s = 0; s < shards; s++)); do
  from=$((first + s * per))
  count=$((seeds - s * per < per ? seeds - s * per : per))
  [ "$count" -gt 0 ] || continue
  "$simulate" --from "$from" --count "$count" >"$work/$s.out" 2>&1 &
done
wait || true
seconds=$(($(date +%s) - start))

grep -h '^seed ' "$work"/*.out || true
grep -h '^figures ' "$work"/*.out | awk -v seconds="$seconds" '
  {
    for (i = 2; i <= NF; i++) {
      split($i, pair, "=")
      if (!(pair[1] in sum)) order[++n] = pair[1]
      sum[pair[1]] += pair[2]
    }
  }
  END {
    printf "seeds %d, computers %d, steps %d, in %d s\n", sum["seeds"], sum["computers"], sum["steps"], seconds
    for (i = 1; i <= n; i++) if (order[i] != "seeds") printf "  %-24s %d\n", order[i], sum[order[i]]
    if (sum["violations"] > 0) exit 1
  }'
