#!/usr/bin/env bash
# Installs the Debian packages PIXKIT needs to build, run and test (run as root on Debian 12).
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-dejavu-core
  libx11-dev libxext-dev
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev libwebp-dev libheif-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libopencv-core-dev libopencv-imgproc-dev
  xvfb openbox xdotool x11-utils x11-apps imagemagick xclip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
