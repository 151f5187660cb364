#!/usr/bin/env bash
# Builds Wordloom and runs it.
#
# With a display (DISPLAY or WAYLAND_DISPLAY) it opens the application on a
# fresh copy of the sample sandbox in examples/sandbox, through the LUMI_*
# overrides: the real master and dictionary stay untouched.
#
# Without one it runs the main job, one headless reflect of the master into
# this computer's IME dictionary: the real files when a master is configured
# (wordloom --set-master) and Mozc's dictionary file exists, otherwise a fresh
# copy of the sandbox, showing what happened. Then it renders the windows of
# the sandbox to PNG files and prints where they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
step() { printf '\n== %s\n' "$1"; }
"$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target wordloom
wordloom=$root/build/src/wordloom

# A fresh copy of the sandbox in `build/$1`, pointed at through the LUMI_* overrides.
use_sandbox() {
  sandbox=$root/build/$1
  rm -rf "$sandbox"
  cp -R "$root/examples/sandbox" "$sandbox"
  export LUMI_MASTER=$sandbox/master LUMI_DICT=$sandbox/mozc/user_dictionary.db
  export LUMI_STATE=$sandbox/state LUMI_NO_RELOAD=1
}

# The windows of the sandbox as PNG files, drawn offscreen.
snapshots() {
  local folder=$root/build/snapshots/sandbox
  step "ウインドウの画像（examples/sandbox）"
  use_sandbox sandbox-snapshots
  rm -rf "$folder"
  mkdir -p "$folder"
  # The offscreen platform's warnings go to a log, shown only when the run fails.
  if ! LUMI_SNAPSHOT_DIR=$folder LUMI_APPEARANCE=light QT_QPA_PLATFORM=offscreen "$wordloom" \
    2>"$root/build/snapshots/sandbox.log" | sed '/^snapshot: /d'; then
    cat "$root/build/snapshots/sandbox.log" >&2
    exit 1
  fi
  echo "PNG files in $folder:"
  ls "$folder"
}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  use_sandbox sandbox
  echo "Opening Wordloom on a copy of examples/sandbox ($sandbox)"
  exec "$wordloom"
fi

state=${XDG_DATA_HOME:-$HOME/.local/share}/Wordloom
profile=${XDG_CONFIG_HOME:-$HOME/.config}/mozc
[ -d "$HOME/.mozc" ] && profile=$HOME/.mozc

if [ -n "${LUMI_MASTER+x}${LUMI_DICT+x}${LUMI_STATE+x}" ] ||
  { [ -f "$state/設定.json" ] && [ -f "$profile/user_dictionary.db" ]; }; then
  step "このパソコンの状態（wordloom --apply --dry-run）"
  "$wordloom" --apply --dry-run
  step "反映（wordloom --apply）"
  "$wordloom" --apply
  "$wordloom" --apply --dry-run
  snapshots
  exit 0
fi

use_sandbox sandbox

# The dictionary file as Mozc holds it, decoded by protobuf's own tool.
show_dictionary() {
  protoc --decode=wordloom.oracle.File -I "$root/tests/model" \
    "$root/tests/model/user_dictionary.proto" <"$LUMI_DICT" |
    python3 -c 'import codecs, sys; sys.stdout.write(codecs.escape_decode(sys.stdin.read().encode())[0].decode())'
}

echo "No configured master and Mozc dictionary here: running against a copy of examples/sandbox"
echo "  master:     $LUMI_MASTER"
echo "  dictionary: $LUMI_DICT"
echo "  state:      $LUMI_STATE"
step "反映の前（wordloom --apply --dry-run）"
"$wordloom" --apply --dry-run
step "反映（wordloom --apply）"
"$wordloom" --apply
echo "exit status $?; backup of the old dictionary:"
ls "$LUMI_STATE/辞書ファイル控え"
step "反映の後（wordloom --apply --dry-run）"
"$wordloom" --apply --dry-run
step "辞書ファイルの中身"
show_dictionary
snapshots
