#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian's packages.
# "deps.sh package" installs only what building the Debian package needs.
# Idempotent: does nothing when everything is already there.
set -euo pipefail
packages=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libgl-dev
  libsqlite3-dev libical-dev qt6-charts-dev libqt6opengl6-dev
  dpkg-dev file gzip
)
if [ "${1:-}" != package ]; then
  packages+=(
    tzdata
    fonts-dejavu-core fonts-liberation
    poppler-utils
    desktop-file-utils appstream shared-mime-info libglib2.0-bin lintian
    clang-14 libclang-rt-14-dev
    ser2net openssl
    systemd
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
