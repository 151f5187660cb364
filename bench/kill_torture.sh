#!/usr/bin/env bash
# A writing reflect of a 20,000-word master, killed with SIGKILL at a random
# moment, round after round. In half of the rounds the master changes again
# before the next run (back to the old words, or one word more), as when
# another computer saves while this one was down. After each kill it checks
# every dictionary file the run may have touched (the IME's file, the last
# applied copy, the pending write, the backups) and then runs the service's
# reflect once more, which must end with the dictionary equal to the master
# without reporting direct edits.
#
#   bench/kill_torture.sh [rounds] [build folder]
#
# Prints the rounds, the phases the kills hit, and four counts whose goal is
# zero: undecodable files, files neither old nor new, false direct edits and
# runs that did not converge.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-300}
build=${2:-$root/build}

cmake --build "$build" --target wordloom >/dev/null
wordloom=$build/src/wordloom

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/master" "$work/mozc" "$work/home" "$work/states"
export HOME=$work/home LUMI_MASTER=$work/master LUMI_DICT=$work/mozc/user_dictionary.db
export LUMI_STATE=$work/state LUMI_NO_RELOAD=1
# Without a session bus a notice goes to standard error, where it is read.
unset DBUS_SESSION_BUS_ADDRESS
master=$LUMI_MASTER/仕事.txt
recorded=$LUMI_STATE/前回反映した辞書.db
pending=$LUMI_STATE/反映中の辞書.db
backups=$LUMI_STATE/辞書ファイル控え

# Three masters a word apart: A, B = A and one word, C = B and one more.
words() {
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) printf "よみ%d\t語%d\t名詞\t\n", i, i }'
}
words 20000 >"$work/states/A.txt"
words 20001 >"$work/states/B.txt"
words 20002 >"$work/states/C.txt"

# Reflects master `state`; the file's dictionary keeps its id, so each master
# has exactly one dictionary file. After a round that went wrong, the files of
# that state are put in place so that the next round starts clean.
settle() {
  cp "$work/states/$1.txt" "$master"
  "$wordloom" --apply 2>>"$work/settle.log"
  if [ "$("$wordloom" --apply --dry-run | head -n 1)" != "マスターどおりです" ]; then
    if [ ! -e "$work/states/$1.db" ]; then
      echo "kill_torture: could not settle on master $1" >&2
      exit 1
    fi
    cp "$work/states/$1.db" "$LUMI_DICT"
    cp "$work/states/$1.db" "$recorded"
    rm -f "$pending"
  fi
}
: >"$LUMI_DICT"
"$wordloom" --apply
# The first backup is of this empty file.
: >"$work/states/empty.db"
for state in C B A; do
  settle "$state"
  cp "$LUMI_DICT" "$work/states/$state.db"
done

# Whether a file is a well-formed dictionary file: the fields of the file,
# its dictionaries and their words, down to the texts.
decodes() {
  python3 - "$1" <<'EOF'
import sys

def fields(data):
    i = 0
    while i < len(data):
        key, i = varint(data, i)
        kind = key & 7
        if kind == 0:
            _, i = varint(data, i)
            yield key >> 3, None
        elif kind == 2:
            size, i = varint(data, i)
            if i + size > len(data):
                raise ValueError("cut")
            yield key >> 3, data[i:i + size]
            i += size
        else:
            raise ValueError("wire type")

def varint(data, i):
    value, shift = 0, 0
    while True:
        if i >= len(data) or shift > 63:
            raise ValueError("varint")
        byte = data[i]
        value |= (byte & 0x7F) << shift
        i, shift = i + 1, shift + 7
        if byte < 0x80:
            return value, i

try:
    for number, dictionary in fields(open(sys.argv[1], "rb").read()):
        if number == 2 and dictionary is not None:
            for field, entry in fields(dictionary):
                if field == 4 and entry is not None:
                    for _, text in fields(entry):
                        if text is not None:
                            text.decode("utf-8")
except (ValueError, UnicodeDecodeError):
    sys.exit(1)
EOF
}

declare -A phases=() counted=()
undecodable=0 neither=0 false_edits=0 unconverged=0
# Seconds a writing run takes here, to spread the kills over it.
start=$(date +%s%N)
cp "$work/states/B.txt" "$master"
"$wordloom" --apply
span_ms=$((($(date +%s%N) - start) / 1000000 + 10))
settle A

for ((round = 1; round <= rounds; round++)); do
  settle A
  newest_backup=$(ls "$backups" | grep -v '^\.' | sort | tail -n 1)
  # Temporary files of killed backups stay for an hour: count the new ones.
  leftovers=$(ls -A "$backups" | grep -c '^\.' || true)
  cp "$work/states/B.txt" "$master"
  delay_ms=$((RANDOM % span_ms))
  "$wordloom" --apply 2>/dev/null &
  pid=$!
  sleep "$(printf '0.%03d' "$delay_ms")"
  if kill -KILL "$pid" 2>/dev/null && ! wait "$pid" 2>/dev/null; then
    # What the disk shows of the step the run was in.
    if [ -e "$pending" ]; then
      if cmp -s "$LUMI_DICT" "$work/states/B.db"; then
        phase="replaced, not recorded"
      else
        phase="pending write made, file not replaced"
      fi
    elif cmp -s "$LUMI_DICT" "$work/states/B.db"; then
      phase="recorded, not finished"
    elif [ "$(ls "$backups" | grep -v '^\.' | sort | tail -n 1)" != "$newest_backup" ]; then
      phase="backed up"
    elif [ "$(ls -A "$backups" | grep -c '^\.' || true)" -gt "$leftovers" ]; then
      phase="backing up"
    else
      phase="before writing"
    fi
  else
    wait "$pid" 2>/dev/null || true
    phase="finished before the kill"
  fi
  phases[$phase]=$((${phases[$phase]:-0} + 1))

  # Every dictionary file is one of the known states, or at least decodes.
  for file in "$LUMI_DICT" "$recorded" "$pending" "$backups"/*.db; do
    [ -e "$file" ] || continue
    known=false
    for state in A B C empty; do
      if cmp -s "$file" "$work/states/$state.db"; then known=true; fi
    done
    # A backup stays: count a bad one once.
    if ! $known && [ -z "${counted[$file]:-}" ]; then
      [[ $file == "$backups"/* ]] && counted[$file]=1
      neither=$((neither + 1))
      echo "round $round: neither old nor new: $file" >&2
      if ! decodes "$file"; then
        undecodable=$((undecodable + 1))
        echo "round $round: undecodable: $file" >&2
      fi
    fi
  done

  case $((round % 4)) in
    0 | 2) next=B ;;
    1) next=A ;; # another computer undid the change
    3) next=C ;; # another computer added a word
  esac
  cp "$work/states/$next.txt" "$master"
  notices=$("$wordloom" --apply 2>&1 || true)
  if [[ $notices == *直接変更した語* ]]; then
    false_edits=$((false_edits + 1))
    echo "round $round ($phase, master $next): $notices" >&2
  fi
  if ! cmp -s "$LUMI_DICT" "$work/states/$next.db" ||
    [ "$("$wordloom" --apply --dry-run | head -n 1)" != "マスターどおりです" ]; then
    unconverged=$((unconverged + 1))
    echo "round $round ($phase, master $next): did not converge" >&2
  fi
done

echo "rounds: $rounds (kills spread over ${span_ms} ms; master changed before the next run in $((rounds / 2)))"
echo "phases hit:"
for phase in "before writing" "backing up" "backed up" "pending write made, file not replaced" \
  "replaced, not recorded" "recorded, not finished" "finished before the kill"; do
  echo "  $phase: ${phases[$phase]:-0}"
done
echo "undecodable files: $undecodable"
echo "files neither old nor new: $neither"
echo "false direct edits: $false_edits"
echo "runs that did not converge: $unconverged"
[ $((undecodable + neither + false_edits + unconverged)) -eq 0 ]
