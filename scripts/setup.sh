#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Tolvane need.
# Only packages that are missing are installed, so a second run is quick.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config python3
  clang-format clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  qt6-pdf-dev qt6-image-formats-plugins libjpeg62-turbo
  qt6-webengine-dev qt6-webchannel-dev
  xvfb xdotool x11-apps
  dbus-daemon gnome-keyring
  libgl-dev
  libssl-dev openssl libcurl4-openssl-dev libplist-dev libxml2-dev
  libcups2-dev libusb-1.0-0-dev libhidapi-dev libudev-dev umockdev libumockdev-dev
  cups cups-daemon cups-client
  libgtest-dev libgmock-dev libbenchmark-dev
  iso-codes
  libzint-dev
  qtkeychain-qt6-dev
  zint zxing-cpp-tools dmtx-utils zbar-tools
  fonts-urw-base35
  poppler-utils libxml2-utils imagemagick
  xdg-utils desktop-file-utils
  python3-vobject
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
