#!/usr/bin/env bash
# What opening the main window costs next to Mozc's own dictionary tool on the same words: the CPU
# seconds and the peak memory each program spends in its first seconds (loading and first paint,
# offscreen), after which it is ended. Both open the same words, four dictionaries of a quarter
# each: Wordloom as its master (and this computer's dictionary, up to date, which it reflects at
# launch), Mozc's tool as its user_dictionary.db. Goals at 100,000 words: Wordloom at most 1.0×
# the tool's CPU and 1.5× its memory.
#
#   bench/gui_open_cost.sh [words] [seconds] [rounds] [build folder]
#
# words defaults to 100000, seconds to 10, rounds to 3: the programs run in turn, each once a
# round, and the medians are reported (one run's CPU time moves with whatever else the machine
# does). Mozc refuses to run as root: as root its tool runs as the user nobody.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
words=${1:-100000}
seconds=${2:-10}
rounds=${3:-3}
build=${4:-$root/build}
tool=/usr/lib/mozc/mozc_tool

if [ ! -x "$tool" ]; then
  echo "gui_open_cost: installing Mozc's tools (mozc-utils-gui)"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    mozc-utils-gui >/dev/null
fi
cmake --build "$build" --target wordloom >/dev/null
wordloom=$build/src/wordloom

work=$(mktemp -d "${TMPDIR:-/tmp}/wordloom-gui-cost-XXXXXX")
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/master" "$work/home/.mozc" "$work/wordloom-home" "$work/state"

# The same words as the IME's dictionary file, written by Wordloom's own reflect: an empty
# dictionary recorded first, so that the words come from the master and not as direct edits.
dictionary=$work/home/.mozc/user_dictionary.db
reflect() {
  env -u DBUS_SESSION_BUS_ADDRESS HOME="$work/wordloom-home" LUMI_MASTER="$work/master" \
    LUMI_DICT="$dictionary" LUMI_STATE="$work/state" LUMI_NO_RELOAD=1 "$wordloom" --apply "$@"
}
: >"$dictionary"
reflect
# The words: four dictionaries, readings the IME accepts, one word per reading.
awk -v words="$words" -v folder="$work/master" 'BEGIN {
  split("人名 用語 地名 仕事", names, " ")
  per = int(words / 4)
  for (d = 1; d <= 4; d++) {
    file = folder "/" names[d] ".txt"
    for (i = 0; i < per; i++) printf "よみ%d\t語%d_%d\t名詞\t\n", i, d, i > file
    close(file)
  }
}'
reflect
# The tool's profile belongs to the user it runs as; handed over before the last reflect, which
# records the files as they then are.
as_tool_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$work/home"
  as_tool_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# As on a computer that has reflected before: files changed within two seconds of a recording are
# not trusted, so the run after the changes checks in full and records what the next ones trust.
sleep 3
reflect
state=$(reflect --dry-run | head -n 1)
if [ "$state" != "マスターどおりです" ]; then
  echo "gui_open_cost: the dictionary did not come out up to date: $state" >&2
  exit 1
fi

# CPU seconds and peak resident memory (MB) of a program in its first `seconds`, then ended.
cost() {
  local log=$work/program.log
  "$@" >"$log" 2>&1 &
  local pid=$!
  sleep "$seconds"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "gui_open_cost: $1 ended early:" >&2
    tail -5 "$log" >&2
    exit 1
  fi
  local stat rss
  read -r -a stat <"/proc/$pid/stat"
  rss=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  # utime and stime are fields 14 and 15, counted from 1.
  awk -v u="${stat[13]}" -v s="${stat[14]}" -v t="$(getconf CLK_TCK)" -v r="$rss" \
    'BEGIN { printf "%.2f %.1f\n", (u + s) / t, r / 1024 }'
}

common=(env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=offscreen LANG=ja_JP.UTF-8)

tool_run() {
  cost "${as_tool_user[@]}" "${common[@]}" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_RUNTIME_DIR="$work/home" "$tool" --mode=dictionary_tool
}
app_run() {
  cost "${common[@]}" HOME="$work/wordloom-home" XDG_CONFIG_HOME="$work/wordloom-home/.config" \
    LUMI_MASTER="$work/master" LUMI_DICT="$dictionary" LUMI_STATE="$work/state" LUMI_NO_RELOAD=1 \
    "$wordloom"
}
for ((round = 0; round < rounds; round++)); do
  tool_run >>"$work/tool.costs"
  app_run >>"$work/app.costs"
done
# The median of a column of a costs file.
median() { cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
tool_cpu=$(median "$work/tool.costs" 1) tool_mb=$(median "$work/tool.costs" 2)
app_cpu=$(median "$work/app.costs" 1) app_mb=$(median "$work/app.costs" 2)

printf '%s words, the first %s s of each program, offscreen, median of %s runs\n' \
  "$words" "$seconds" "$rounds"
printf '  every run (CPU s, peak MB): the tool %s; Wordloom %s\n' \
  "$(paste -sd, "$work/tool.costs")" "$(paste -sd, "$work/app.costs")"
printf '  %-34s %8s %10s\n' "" "CPU s" "peak MB"
printf '  %-34s %8s %10s\n' "Mozc's dictionary tool" "$tool_cpu" "$tool_mb"
printf '  %-34s %8s %10s\n' "Wordloom's main window" "$app_cpu" "$app_mb"
awk -v ac="$app_cpu" -v tc="$tool_cpu" -v am="$app_mb" -v tm="$tool_mb" 'BEGIN {
  printf "  Wordloom / the tool: CPU %.2f× (goal ≤ 1.0×), memory %.2f× (goal ≤ 1.5×)\n",
    ac / tc, am / tm
}'
