#!/usr/bin/env bash
# Cost of the run the per-user service makes every ten minutes and on every
# change: `wordloom --apply` finding an up-to-date 2,000-word master. Compared
# with the start-up of a program that loads the same libraries and does
# nothing; peak memory from /usr/bin/time. Goals: at most twice that start-up,
# at most 20 MB.
#
#   bench/apply_cost.sh [build folder] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-200}

cmake --build "$build" --target wordloom apply_cost_baseline >/dev/null
wordloom=$build/src/wordloom
baseline=$build/bench/apply_cost_baseline

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/master" "$work/mozc" "$work/home"
export HOME=$work/home LUMI_MASTER=$work/master LUMI_DICT=$work/mozc/user_dictionary.db
export LUMI_STATE=$work/state LUMI_NO_RELOAD=1
unset DBUS_SESSION_BUS_ADDRESS

# An empty dictionary, recorded, then the master's 2,000 words reflected into it.
: >"$LUMI_DICT"
"$wordloom" --apply
awk 'BEGIN { for (i = 0; i < 2000; i++) printf "よみ%d\t語%d\t名詞\t\n", i, i }' \
  >"$work/master/仕事.txt"
"$wordloom" --apply
state=$("$wordloom" --apply --dry-run | head -n 1)
words=$(stat -c %s "$LUMI_DICT")
if [ "$state" != "マスターどおりです" ] || [ "$words" -lt 20000 ]; then
  echo "apply_cost: the sandbox did not come out up to date ($state, $words bytes)" >&2
  exit 1
fi

# Mean wall time of one run, in microseconds.
mean_us() {
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < runs / rounds; i++)); do "$@" >/dev/null 2>&1; done
  end=$(date +%s%N)
  echo $(((end - start) / (runs / rounds) / 1000))
}

peak_kb() {
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}

if command -v hyperfine >/dev/null; then
  hyperfine --warmup 10 --runs "$runs" -N "$baseline" "$wordloom --apply"
fi

# Rounds taken in turn, so that a busy moment of the machine falls on both.
rounds=5
apply_us=0 start_us=0
for ((round = 0; round < rounds; round++)); do
  apply_us=$((apply_us + $(mean_us "$wordloom" --apply) / rounds))
  start_us=$((start_us + $(mean_us "$baseline") / rounds))
done

ratio() { awk -v a="$1" -v s="$start_us" 'BEGIN { printf "%.2f", a / s }'; }
echo "start-up, same libraries:        ${start_us} us per run (mean of $runs)"
echo "up-to-date --apply:              ${apply_us} us per run, $(ratio "$apply_us")x start-up (goal <= 2)"
if [ -x /usr/bin/time ]; then
  echo "peak RSS --apply:                $(peak_kb "$wordloom" --apply) KB (goal <= 20480)"
  echo "peak RSS start-up:               $(peak_kb "$baseline") KB"
else
  echo "peak RSS: /usr/bin/time is not installed (Debian package time)"
fi
