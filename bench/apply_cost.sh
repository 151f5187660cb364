#!/usr/bin/env bash
# Cost of the run the per-user service makes every ten minutes and on every
# change: `wordloom --apply` finding nothing changed since the last reflect,
# at 2,000 and at 1,000,000 words. Compared with the start-up of a program that
# loads the same libraries and does nothing; peak memory from /usr/bin/time.
# Goals: at most 1.2 times that start-up, at most 20 MB. For reference, the
# same run made to check in full (its record of the last reflect removed).
#
#   bench/apply_cost.sh [build folder] [runs] [sizes...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-400}
shift $(($# < 2 ? $# : 2))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 1000000)
full_runs=3

cmake --build "$build" --target wordloom apply_cost_baseline >/dev/null
wordloom=$build/src/wordloom
baseline=$build/bench/apply_cost_baseline

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home LUMI_MASTER=$work/master LUMI_DICT=$work/mozc/user_dictionary.db
export LUMI_STATE=$work/state LUMI_NO_RELOAD=1
unset DBUS_SESSION_BUS_ADDRESS
record=$LUMI_STATE/前回反映の指紋.txt

# Children's processor time (user + system) in microseconds, from the output
# of `times`, which must run in the shell that started them.
children_cpu_us_from() {
  awk 'NR == 2 {
    split($1, u, /[ms]/); split($2, s, /[ms]/)
    printf "%d", (u[1] * 60 + u[2] + s[1] * 60 + s[2]) * 1000000 }' "$1"
}

# Mean wall and processor time of one of `count` runs, in microseconds.
mean_us() {
  local count=$1 start end
  shift
  times >"$work/times-before"
  start=${EPOCHREALTIME/./}
  for ((i = 0; i < count; i++)); do "$@" >/dev/null 2>&1; done
  end=${EPOCHREALTIME/./}
  times >"$work/times-after"
  echo "$(((end - start) / count))" \
    "$((($(children_cpu_us_from "$work/times-after") - $(children_cpu_us_from "$work/times-before")) / count))"
}

peak_kb() {
  /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
}

full_check() {
  rm -f "$record"
  "$wordloom" --apply
}

for words in "${sizes[@]}"; do
  rm -rf "$work"/*
  mkdir -p "$work/master" "$work/mozc" "$work/home"

  # An empty dictionary, recorded, then the master's words reflected into it,
  # in four files as a real master has them.
  : >"$LUMI_DICT"
  "$wordloom" --apply
  awk -v n="$words" -v dir="$work/master" 'BEGIN {
    for (i = 0; i < n; i++) printf "よみ%d\t語%d\t名詞\t\n", i, i > (dir "/辞書" (i % 4) ".txt")
  }'
  "$wordloom" --apply
  # Files changed within two seconds of a recording are not trusted: the run
  # after the write checks in full and records what the next ones trust.
  sleep 3
  "$wordloom" --apply
  state=$("$wordloom" --apply --dry-run | head -n 1)
  bytes=$(stat -c %s "$LUMI_DICT")
  if [ "$state" != "マスターどおりです" ] || [ "$bytes" -lt $((words * 10)) ] || [ ! -e "$record" ]; then
    echo "apply_cost: the sandbox did not come out up to date ($state, $bytes bytes)" >&2
    exit 1
  fi

  if command -v hyperfine >/dev/null; then
    hyperfine --warmup 10 --runs "$runs" -N "$baseline" "$wordloom --apply"
  fi

  # Rounds taken in turn, so that a busy moment of the machine falls on both.
  rounds=10
  apply_us=0 start_us=0 apply_cpu=0 start_cpu=0
  for ((round = 0; round < rounds; round++)); do
    read -r wall cpu < <(mean_us $((runs / rounds)) "$wordloom" --apply)
    apply_us=$((apply_us + wall / rounds)) apply_cpu=$((apply_cpu + cpu / rounds))
    read -r wall cpu < <(mean_us $((runs / rounds)) "$baseline")
    start_us=$((start_us + wall / rounds)) start_cpu=$((start_cpu + cpu / rounds))
  done
  read -r full_us full_cpu < <(mean_us "$full_runs" full_check)

  ratio() { awk -v a="$1" -v s="$2" 'BEGIN { printf "%.2f", a / s }'; }
  echo "== $words words, dictionary file $bytes bytes (wall / processor time per run)"
  echo "start-up, same libraries:        ${start_us} / ${start_cpu} us (mean of $runs)"
  echo "up-to-date --apply:              ${apply_us} / ${apply_cpu} us," \
    "$(ratio "$apply_us" "$start_us") / $(ratio "$apply_cpu" "$start_cpu")x start-up (goal <= 1.2)"
  echo "  checked in full:               ${full_us} / ${full_cpu} us (mean of $full_runs)"
  if [ -x /usr/bin/time ]; then
    echo "peak RSS --apply:                $(peak_kb "$wordloom" --apply) KB (goal <= 20480)"
    echo "peak RSS start-up:               $(peak_kb "$baseline") KB"
  else
    echo "peak RSS: /usr/bin/time is not installed (Debian package time)"
  fi
done
