#!/usr/bin/env bash
# Installs the Debian packages the project needs; only those missing.
set -euo pipefail
PKGS=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6network6 libgl-dev
  libmediainfo0v5 libexiv2-dev libopencc-dev libopencc1.1 libicu-dev libheif-dev
  libarchive-dev libarchive13 dosfstools
  fonts-wqy-microhei xvfb xauth x11-utils imagemagick
  libimage-exiftool-perl ffmpeg dbus-daemon
  librsvg2-bin desktop-file-utils appstream dpkg-dev file lintian
)
missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
