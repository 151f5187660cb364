#!/usr/bin/env bash
# Installs the Debian packages that building and testing Wordloom need.
# A second run only checks dpkg's database, so it takes about a second.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libutf8proc-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  protobuf-compiler libprotobuf-dev
  clang libclang-rt-14-dev
  qt6-base-dev fonts-noto-cjk
  libsodium-dev libarchive-dev openssl minisign
  desktop-file-utils librsvg2-bin qt6-translations-l10n mozc-utils-gui
  mozc-server emacs-mozc-bin
  dbus dbus-daemon systemd procps util-linux python3 time
  locales libc-l10n
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The system's own Japanese descriptions of errors (strerror_l) need the
# ja_JP.UTF-8 locale generated, not only installed.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "bootstrap: generating the ja_JP.UTF-8 locale"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
