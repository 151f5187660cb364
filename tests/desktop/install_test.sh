#!/usr/bin/env bash
# Installs the build into a scratch prefix, as `cmake --install build --prefix ~/.local` does for
# one user, and checks that a desktop finds what it looks for there: a valid launcher entry that
# starts the installed program, the icon in the theme's sizes, the icon font and the release notes
# beside the program.
#
#   install_test.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/wordloom-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
id=jp.kumomori.wordloom
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

entry=$prefix/share/applications/$id.desktop
desktop-file-validate "$source/resources/desktop/$id.desktop"
desktop-file-validate "$entry"
grep -qx "Exec=$prefix/bin/wordloom" "$entry" || fail "the entry does not start $prefix/bin/wordloom"
grep -qx "Icon=$id" "$entry" || fail "the entry names another icon"

[ -x "$prefix/bin/wordloom" ] || fail "no program"
"$prefix/bin/wordloom" --help >/dev/null

[ -s "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256 512; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  # Width and height from the PNG header.
  read -r width height < <(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
assert d[:8]==b"\x89PNG\r\n\x1a\n", "not a PNG"
print(*struct.unpack(">II", d[16:24]))' "$png")
  [ "$width $height" = "$size $size" ] || fail "$png is ${width}x$height"
done

[ -s "$prefix/share/wordloom/fonts/MaterialSymbolsOutlined.ttf" ] || fail "no icon font"
cmp -s "$source/resources/改定履歴.md" "$prefix/share/wordloom/改定履歴.md" || fail "no release notes"
echo "install_test: everything in place under a fresh prefix"
