#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tessellon needs.
# Idempotent: when everything is present it only asks dpkg and returns at once.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git
  clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-qpa-plugins
  libgl-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libgif-dev libtiff-dev
  libimagequant-dev libgraphicsmagick1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-liberation2 fonts-dejavu-core fontconfig
  xvfb xauth
  desktop-file-utils appstream shared-mime-info dpkg-dev file
)

"$(dirname "$0")/apt-ensure.sh" "${PACKAGES[@]}"
