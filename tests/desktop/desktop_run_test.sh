#!/usr/bin/env bash
# Runs the real `wordloom` as the desktop starts it, offscreen, on copies of examples/sandbox:
# termination signals end it with status 0, a second start hands over to it and ends, and the
# documentation snapshots render every screen (light, and dark as a desktop portal asks) and the
# setup branch with its exit statuses. The images stay under <build>/snapshots for a person to
# look at; this checks files and sizes only.
#
#   desktop_run_test.sh <wordloom> <fake_portal> <source folder> <build folder>
set -euo pipefail
wordloom=$1 portal=$2 source=$3 build=$4
scratch=$(mktemp -d "${TMPDIR:-/tmp}/wordloom-desktop-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

mkdir -p "$scratch/home" "$scratch/config" "$scratch/data" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_RUNTIME_DIR=$scratch/runtime QT_QPA_PLATFORM=offscreen LANG=ja_JP.UTF-8
unset LC_ALL LUMI_APPEARANCE LUMI_SNAPSHOT_DIR LUMI_SETUP_MASTER LUMI_SETUP_START LUMI_QUERY
unset DBUS_SESSION_BUS_ADDRESS

# A fresh copy of the sandbox, pointed at through the LUMI_* variables.
sandbox() {
  rm -rf "$scratch/sandbox"
  cp -R "$source/examples/sandbox" "$scratch/sandbox"
  export LUMI_MASTER=$scratch/sandbox/master LUMI_DICT=$scratch/sandbox/mozc/user_dictionary.db
  export LUMI_STATE=$scratch/sandbox/state LUMI_NO_RELOAD=1
}

# "<name> <width>x<height>" for every PNG in a folder, sorted.
images() {
  python3 - "$1" <<'PY'
import os, struct, sys
folder = sys.argv[1]
for name in sorted(os.listdir(folder)):
    with open(os.path.join(folder, name), "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        print(name, "not-a-png")
        continue
    width, height = struct.unpack(">II", head[16:24])
    print(f"{name} {width}x{height}")
PY
}

# Runs a snapshot session into <build>/snapshots/<name>; sets `status` and `output`.
snapshots() {
  local name=$1
  shift
  rm -rf "$build/snapshots/$name"
  set +e
  output=$(LUMI_SNAPSHOT_DIR=$build/snapshots/$name timeout 120 "$@" 2>"$scratch/stderr")
  status=$?
  set -e
}

expect_images() {
  local name=$1 expected=$2 actual
  actual=$(images "$build/snapshots/$name")
  [ "$actual" = "$expected" ] || fail "$name: images
$actual
expected
$expected"
}

main_screens="01-list.png 1120x620
02-dictionary.png 1120x620
03-edit.png 560x520
04-add-from-all.png 560x440
06-add-dictionary.png 460x260
07-pending-dictionary.png 1120x620
08-settings.png 640x560
09-settings-sync.png 640x480
10-settings-files.png 640x360"

echo "== termination signals"
for signal in TERM INT HUP; do
  sandbox
  "$wordloom" 2>"$scratch/stderr" &
  pid=$!
  # Caught signals are listed once the handlers are in place.
  for _ in $(seq 200); do
    caught=$(awk '/^SigCgt:/{print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    (((0x$caught >> 14) & 1 && (0x$caught >> 1) & 1 && (0x$caught >> 0) & 1)) && break
    sleep 0.05
  done
  # Handled, neither ignored nor blocked (what the program starts would inherit those); a write
  # over the file-size limit fails instead of ending the program.
  ignored=$(awk '/^SigIgn:/{print $2}' "/proc/$pid/status")
  blocked=$(awk '/^SigBlk:/{print $2}' "/proc/$pid/status")
  ((((0x$caught >> 24) & 1) == 1)) || fail "SIGXFSZ is not handled: SigCgt $caught"
  (((0x$ignored | 0x$blocked) & 0x1004003)) && fail "ignored $ignored, blocked $blocked"
  kill -s "$signal" "$pid"
  set +e
  wait "$pid"
  status=$?
  set -e
  [ "$status" -eq 0 ] || fail "SIG$signal: exit status $status"
done

echo "== a second start brings the first copy forward and ends"
sandbox
"$wordloom" 2>"$scratch/stderr" &
first=$!
for _ in $(seq 200); do
  [ -S "$XDG_RUNTIME_DIR/wordloom-window.socket" ] && break
  sleep 0.05
done
set +e
timeout 20 "$wordloom" 2>"$scratch/second-stderr"
status=$?
set -e
[ "$status" -eq 0 ] || fail "second start: exit status $status: $(cat "$scratch/second-stderr")"
kill -0 "$first" 2>/dev/null || fail "the first copy ended when a second one started"
kill -s TERM "$first"
wait "$first" || fail "the first copy: exit status $?"

echo "== snapshots of the sandbox, light"
sandbox
snapshots light env LUMI_APPEARANCE=light "$wordloom"
[ "$status" -eq 0 ] || fail "light: exit status $status: $(cat "$scratch/stderr")"
grep -q '^state: ' <<<"$output" || fail "light: no state line in: $output"
expect_images light "$main_screens"

echo "== snapshots of the sandbox, dark as the desktop portal asks"
sandbox
snapshots dark dbus-run-session -- sh -c '
  "$0" 1 >/dev/null 2>&1 &
  portal=$!
  for i in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Desktop 2>/dev/null |
      grep -q "boolean true" && break
    sleep 0.05
  done
  "$1"
  status=$?
  kill "$portal"
  exit "$status"' "$portal" "$wordloom"
[ "$status" -eq 0 ] || fail "dark: exit status $status: $(cat "$scratch/stderr")"
expect_images dark "$main_screens"

echo "== a word added directly to this computer's dictionary: the direct-edits sheet too"
sandbox
proto=$source/tests/model/user_dictionary.proto
protoc --decode=wordloom.oracle.File -I "$(dirname "$proto")" "$proto" <"$LUMI_DICT" |
  awk '/^  entries \{/ && !added { print "  entries {\n    reading: \"ちょくせつ\"\n    word: \"直接\"\n    pos: 1\n  }"; added = 1 } { print }' |
  protoc --encode=wordloom.oracle.File -I "$(dirname "$proto")" "$proto" >"$scratch/edited.db"
mv "$scratch/edited.db" "$LUMI_DICT"
snapshots direct-edits env LUMI_APPEARANCE=light "$wordloom"
[ "$status" -eq 0 ] || fail "direct edits: exit status $status: $(cat "$scratch/stderr")"
grep -qx 'state: 直接変更した語があります' <<<"$output" || fail "direct edits: $output"
grep -q '^05-local.png ' <<<"$(images "$build/snapshots/direct-edits")" ||
  fail "direct edits: no 05-local.png"

echo "== the setup screen, and nothing else without a folder to set up with"
sandbox
unset LUMI_MASTER
snapshots setup "$wordloom"
[ "$status" -eq 0 ] || fail "setup: exit status $status"
expect_images setup "00-setup.png 1120x620"

echo "== setup completed from this computer's dictionary, then the screens"
sandbox
unset LUMI_MASTER
snapshots setup-completed env LUMI_SETUP_MASTER="$scratch/new master" "$wordloom"
[ "$status" -eq 0 ] || fail "setup completed: exit status $status: $(cat "$scratch/stderr")"
grep -qx 'setup: OK' <<<"$output" || fail "setup completed: $output"
expect_images setup-completed "00-setup.png 1120x620
$main_screens"

echo "== setup that fails ends with status 1"
sandbox
unset LUMI_MASTER
mkdir -p "$scratch/empty"
snapshots setup-failed env LUMI_SETUP_MASTER="$scratch/empty" LUMI_SETUP_START=folder "$wordloom"
[ "$status" -eq 1 ] || fail "setup failed: exit status $status"
grep -qx 'setup: このフォルダにはまだ辞書がありません。「このパソコンの辞書から作る」を選択してください' \
  <<<"$output" || fail "setup failed: $output"
expect_images setup-failed "00-setup.png 1120x620"

[ "$failures" -eq 0 ] || exit 1
echo "desktop_run_test: all runs as expected; images under $build/snapshots"
