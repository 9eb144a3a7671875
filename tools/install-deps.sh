#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Calidarix needs.
# Idempotent: packages already present are skipped, and apt is not touched when nothing is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang-format
  qt6-base-dev libqt6opengl6-dev
  libpng-dev libjpeg-dev libgif-dev zlib1g-dev
  libusb-1.0-0-dev libasound2-dev libv4l-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  clang libclang-rt-14-dev
  fonts-dejavu-core
  imagemagick pngcheck poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
