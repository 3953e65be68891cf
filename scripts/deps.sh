#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages the station needs to build, run, test and
# package. Sourced by the scripts in this folder; only installs what is
# missing, with sudo when not run as root.
set -euo pipefail

kivra_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
  qt6-serialport-dev
  qt6-multimedia-dev libqt6multimediawidgets6
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-bad gstreamer1.0-libav
  qt6-webengine-dev qt6-webengine-dev-tools
  libgl-dev libxkbcommon-dev libvulkan-dev libx11-dev
  libcurl4-openssl-dev libssl-dev libturbojpeg0-dev
  libmicrohttpd-dev libsodium-dev libqrencode-dev
  libnova-dev gstreamer1.0-plugins-ugly
  fonts-dejavu-core fonts-liberation2
  xvfb xauth
)
kivra_test_packages=(
  python3 python3-pyftpdlib python3-openssl python3-paramiko openssl
  desktop-file-utils appstream
  chromium chromium-driver python3-selenium
  python3-gi gir1.2-gst-rtsp-server-1.0 gstreamer1.0-tools
  python3-ephem gstreamer1.0-plugins-base-apps
)
# scripts/package: dpkg-shlibdeps finds the package's dependencies, lintian
# checks the package.
kivra_package_packages=(
  dpkg-dev file lintian
)
# scripts/screenshot: grabs the window from the virtual display.
kivra_screenshot_packages=(
  xdotool gstreamer1.0-tools gstreamer1.0-plugins-good
)

kivra_install() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Without sudo, install them as root: apt-get install ${missing[*]}" >&2
      return 1
    fi
    sudo="sudo"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
