#!/usr/bin/env bash
# Installs what building and testing Pankor needs from Debian's packages.
# Idempotent: only missing packages are installed. Needs root for apt.
set -euo pipefail
packages=(
  cmake ninja-build g++ make file bc xxd icoutils openssl libssl-dev python3 pkg-config curl
  libcurl4-openssl-dev libgdk-pixbuf-2.0-dev libcpp-httplib-dev nlohmann-json3-dev libsimdjson-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-tidy clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth nsis
  libgtk-3-dev libwebkit2gtk-4.1-dev libnotify-dev imagemagick dunst dbus-daemon xdotool trayer
  nodejs npm chromium
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node.js may come from outside Debian on some machines: a working node and npm will do.
if command -v node >/dev/null && command -v npm >/dev/null; then
  missing=("${missing[@]/nodejs}"); missing=("${missing[@]/npm}")
fi
read -r -a missing <<<"${missing[*]}"
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them with sudo apt-get install)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
