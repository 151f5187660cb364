#!/usr/bin/env bash
# Builds Wordloom and runs its main job: one headless reflect of the master
# into this computer's IME dictionary.
#
# With a master configured (wordloom --set-master) and Mozc's dictionary file
# present, it reflects the real files. Otherwise it reflects a fresh copy of
# the sample sandbox in examples/sandbox through the LUMI_* overrides and shows
# what happened.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target wordloom
wordloom=$root/build/src/wordloom

state=${XDG_DATA_HOME:-$HOME/.local/share}/Wordloom
profile=${XDG_CONFIG_HOME:-$HOME/.config}/mozc
[ -d "$HOME/.mozc" ] && profile=$HOME/.mozc

step() { printf '\n== %s\n' "$1"; }

if [ -n "${LUMI_MASTER+x}${LUMI_DICT+x}${LUMI_STATE+x}" ] ||
  { [ -f "$state/設定.json" ] && [ -f "$profile/user_dictionary.db" ]; }; then
  step "このパソコンの状態（wordloom --apply --dry-run）"
  "$wordloom" --apply --dry-run
  step "反映（wordloom --apply）"
  "$wordloom" --apply
  "$wordloom" --apply --dry-run
  exit 0
fi

sandbox=$root/build/sandbox
rm -rf "$sandbox"
cp -R "$root/examples/sandbox" "$sandbox"
export LUMI_MASTER=$sandbox/master LUMI_DICT=$sandbox/mozc/user_dictionary.db
export LUMI_STATE=$sandbox/state LUMI_NO_RELOAD=1

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
