#!/usr/bin/env bash
# Runs a Qt test offscreen, in a Japanese locale, with a home and XDG folders of its own that are
# removed afterwards: a GUI test must never touch the real ~/.config or ~/.local.
set -u
scratch=$(mktemp -d "${TMPDIR:-/tmp}/wordloom-qt-XXXXXX")
trap 'chmod -R u+rwx "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/config" "$scratch/data" "$scratch/cache" "$scratch/state" \
  "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data \
  XDG_CACHE_HOME=$scratch/cache XDG_STATE_HOME=$scratch/state XDG_RUNTIME_DIR=$scratch/runtime
export QT_QPA_PLATFORM=offscreen LANG=ja_JP.UTF-8 LANGUAGE=ja
unset LC_ALL LUMI_MASTER LUMI_DICT LUMI_STATE LUMI_APPEARANCE LUMI_SNAPSHOT_DIR LUMI_SETUP_MASTER
"$@"
