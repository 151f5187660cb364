#!/bin/sh
# Installs the Wordloom this script belongs to for the current user: the folder
# ~/.local/opt/Wordloom (which the updater later replaces in place), the command
# ~/.local/bin/wordloom, the desktop entry and the icon. Run it from the unpacked release:
#
#   tar xzf Wordloom-<version>-<arch>.tar.gz && Wordloom/install.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
opt=$HOME/.local/opt
target=$opt/Wordloom
data=${XDG_DATA_HOME:-$HOME/.local/share}
name=jp.kumomori.wordloom

mkdir -p "$opt" "$HOME/.local/bin" "$data/applications" "$data/icons/hicolor/scalable/apps"
if [ "$here" != "$target" ]; then
  # Copied beside the target first, so that the old copy is replaced only by a complete one.
  scratch=$(mktemp -d "$opt/.install-XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  cp -a "$here" "$scratch/Wordloom"
  [ -e "$target" ] && mv "$target" "$scratch/old"
  mv "$scratch/Wordloom" "$target"
fi
ln -sfn "$target/bin/wordloom" "$HOME/.local/bin/wordloom"
sed "s|^Exec=.*|Exec=$target/bin/wordloom|" "$target/share/applications/$name.desktop" \
  >"$data/applications/$name.desktop"
cp "$target/share/icons/hicolor/scalable/apps/$name.svg" "$data/icons/hicolor/scalable/apps/"
if command -v update-desktop-database >/dev/null 2>&1; then
  update-desktop-database "$data/applications" >/dev/null 2>&1 || true
fi
echo "Wordloom $("$target/bin/wordloom" --version) を $target にインストールしました"
