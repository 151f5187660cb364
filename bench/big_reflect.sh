#!/usr/bin/env bash
# A writing reflect of a large master: `wordloom --apply` meeting a dictionary
# that is up to date with an older master, the master since changed by some
# words (one in a hundred edited, one in a thousand added), in four files as a
# real master has them. Each run starts from the same saved state. Wall time,
# processor time and peak memory from /usr/bin/time, medians of the runs.
# Goals at 1,000,000 words: at most 1.2 s, peak memory at most 4 times the
# dictionary file's size.
#
#   bench/big_reflect.sh [build folder] [runs] [sizes...]
# WORDLOOM=<binary> measures that binary instead of building one (an older
# build, for figures before and after a change).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-5}
shift $(($# < 2 ? $# : 2))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)

if [ ! -x /usr/bin/time ]; then
  echo "big_reflect: /usr/bin/time is not installed (Debian package time)" >&2
  exit 1
fi
if [ -n "${WORDLOOM:-}" ]; then
  wordloom=$WORDLOOM
else
  cmake --build "$build" --target wordloom >/dev/null
  wordloom=$build/src/wordloom
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home LUMI_MASTER=$work/master LUMI_DICT=$work/mozc/user_dictionary.db
export LUMI_STATE=$work/state LUMI_NO_RELOAD=1
unset DBUS_SESSION_BUS_ADDRESS

# Writes the master of `words` words; `edited` 1 changes one word in a hundred
# and adds one in a thousand.
master() {
  rm -rf "$LUMI_MASTER"
  mkdir -p "$LUMI_MASTER"
  awk -v n="$1" -v edited="$2" -v dir="$LUMI_MASTER" 'BEGIN {
    extra = edited ? n / 1000 : 0
    for (i = 0; i < n + extra; i++) {
      word = (edited && i % 100 == 7) ? "語" i "改" : "語" i
      printf "よみ%d\t%s\t名詞\t%s\n", i, word, (i % 5 == 0 ? "メモ" : "") > (dir "/辞書" (i % 4) ".txt")
    }
  }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for words in "${sizes[@]}"; do
  rm -rf "$work"/*
  mkdir -p "$work/mozc" "$HOME"
  # An empty dictionary recorded, then the older master reflected into it.
  : >"$LUMI_DICT"
  mkdir -p "$LUMI_MASTER"
  "$wordloom" --apply
  master "$words" 0
  "$wordloom" --apply
  master "$words" 1
  sleep 1
  cp -a "$work/mozc" "$work/mozc.saved"
  cp -a "$LUMI_STATE" "$work/state.saved"
  bytes=$(stat -c %s "$LUMI_DICT")

  : >"$work/figures"
  for ((run = 0; run < runs; run++)); do
    rm -rf "$work/mozc" "$LUMI_STATE"
    cp -a "$work/mozc.saved" "$work/mozc"
    cp -a "$work/state.saved" "$LUMI_STATE"
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$wordloom" --apply
    after=$(stat -c %s "$LUMI_DICT")
    check=$("$wordloom" --apply --dry-run 2>&1 | head -n 3 || true)
    if [ "$after" -le "$bytes" ] || [ "$(head -n 1 <<<"$check")" != "マスターどおりです" ]; then
      echo "big_reflect: the run did not write the changed master ($after bytes): $check" >&2
      exit 1
    fi
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time" >>"$work/figures"
  done

  wall=$(awk '{ print $1 }' "$work/figures" | median)
  cpu=$(awk '{ print $2 }' "$work/figures" | median)
  peak=$(awk '{ print $3 }' "$work/figures" | median)
  limit=$((4 * bytes / 1024))
  echo "== $words words, dictionary file $bytes bytes, writing reflect (median of $runs)"
  echo "wall:     $wall s (runs: $(awk '{ printf "%s ", $1 }' "$work/figures")) goal <= 1.2"
  echo "CPU:      $cpu s"
  echo "peak RSS: $peak KB ($(awk -v p="$peak" -v b="$bytes" 'BEGIN { printf "%.2f", p * 1024 / b }')x" \
    "the file) goal <= $limit KB (4x)"
done
