#!/usr/bin/env bash
# Makes a release of Wordloom for this computer's architecture: Wordloom-<version>-<arch>.tar.gz,
# its detached minisign signature, and a version.json that offers it.
#
#   scripts/release.sh --key SECRET_KEY [--trust PUBLIC_KEY]... [--out DIR] [--binary WORDLOOM]
#
# SECRET_KEY is a minisign secret key file, kept outside the repository and never committed. The
# build trusts its public key, and each --trust key besides (the next release key, while keys
# change). The build never has test hooks. --binary packages a wordloom built elsewhere instead
# (the updater's end-to-end test does; such a binary trusts whatever its own build trusts).
# The archive holds one folder, Wordloom/: the install folder with its signed manifest and
# install.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

key='' out='' binary='' trust=()
while [ $# -gt 0 ]; do
  case $1 in
    --key) key=$2; shift 2 ;;
    --trust) trust+=("$2"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    --binary) binary=$2; shift 2 ;;
    *) echo "release: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$key" ] && [ -f "$key" ] || { echo "release: --key SECRET_KEY is required" >&2; exit 2; }
out=${out:-$root/build-release/out}
mkdir -p "$out"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/wordloom-release-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The last line of a minisign public key file is the key itself.
minisign -R -s "$key" -p "$scratch/key.pub" >/dev/null
keys=$(tail -n 1 "$scratch/key.pub")
for t in "${trust[@]}"; do keys="$keys $(tail -n 1 "$t")"; done

if [ -z "$binary" ]; then
  build=$root/build-release
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWORDLOOM_TEST_HOOKS=OFF \
    -DWORDLOOM_TESTS=OFF -DWORDLOOM_BENCH=OFF -DWORDLOOM_FUZZ=OFF -DWORDLOOM_SANITIZE=OFF \
    -DWORDLOOM_UPDATE_KEYS="$keys" >/dev/null
  cmake --build "$build" --target wordloom wordloom_icons
  binary=$build/src/wordloom
fi
version=$("$binary" --version)
arch=$(uname -m)
name=Wordloom-$version-$arch

tree=$scratch/Wordloom
install -D -s -m 0755 "$binary" "$tree/bin/wordloom"
install -D -m 0755 "$root/scripts/install.sh" "$tree/install.sh"
install -D -m 0644 "$root/resources/desktop/jp.kumomori.wordloom.desktop" \
  "$tree/share/applications/jp.kumomori.wordloom.desktop"
install -D -m 0644 "$root/resources/desktop/jp.kumomori.wordloom.svg" \
  "$tree/share/icons/hicolor/scalable/apps/jp.kumomori.wordloom.svg"
# Where the windows look for the icon font: beside the program, under share/wordloom/fonts.
for f in MaterialSymbolsOutlined.ttf LICENSE; do
  install -D -m 0644 "$root/resources/fonts/$f" "$tree/share/wordloom/fonts/$f"
done
# The release notes the help menu shows, beside the fonts; the icon's PNG sizes drawn by the build
# of the program, which the windows take when the desktop's icon theme has none that Qt can draw.
install -D -m 0644 "$root/resources/改定履歴.md" "$tree/share/wordloom/改定履歴.md"
icons=$(dirname "$binary")/../share/icons/hicolor
for png in "$icons"/*/apps/jp.kumomori.wordloom.png; do
  [ -f "$png" ] || continue
  size=$(basename "$(dirname "$(dirname "$png")")")
  install -D -m 0644 "$png" "$tree/share/icons/hicolor/$size/apps/jp.kumomori.wordloom.png"
done

comment="app:jp.kumomori.wordloom version:$version arch:$arch"
python3 - "$tree" "$version" "$arch" <<'PY'
import hashlib, json, os, sys
tree, version, arch = sys.argv[1:]
files = {}
for folder, _, names in os.walk(tree):
    for n in names:
        path = os.path.join(folder, n)
        with open(path, "rb") as f:
            files[os.path.relpath(path, tree)] = hashlib.sha256(f.read()).hexdigest()
manifest = {"id": "jp.kumomori.wordloom", "version": version, "architecture": arch,
            "files": dict(sorted(files.items()))}
with open(os.path.join(tree, "wordloom-manifest.json"), "w") as f:
    json.dump(manifest, f, indent=2)
    f.write("\n")
PY
minisign -S -s "$key" -m "$tree/wordloom-manifest.json" -t "$comment" \
  -x "$tree/wordloom-manifest.json.minisig" >/dev/null

tar --sort=name --owner=0 --group=0 --numeric-owner -C "$scratch" -czf "$out/$name.tar.gz" Wordloom
minisign -S -s "$key" -m "$out/$name.tar.gz" -t "$comment" -x "$out/$name.tar.gz.minisig" >/dev/null
printf '{\n  "version": "%s",\n  "zip": "%s"\n}\n' "$version" "$name.tar.gz" >"$out/version.json"
echo "$out/$name.tar.gz"
