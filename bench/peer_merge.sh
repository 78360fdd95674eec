#!/usr/bin/env bash
# Times tessellon-merge beside ImageMagick montage, libvips and Pillow on two
# grids of wallpaper photos (48 photos in 6 x 8 cells of 400 x 300 and 100 in
# 10 x 10 cells of 256 x 192; gap 10, kept ratio on white, JPEG quality 90).
# Installs the photos and the tools from Debian's packages, builds
# tessellon-merge and save_timer in Release in build-release/, runs the tools in
# turn (round robin) and prints the median wall time, the ratio to the fastest
# peer and the peak memory of each. Then times the saves of the 48-photo grid as
# PNG at level 9 and as GIF, ours (save_timer) and Pillow's in turn, each timed
# inside its process. Not run by CI.
#
#   bench/peer_merge.sh [--rounds N] [--only NAME] [--also NAME=PATH] [--part merge|save|both]
#
# --also times another build of tessellon-merge (say, one without a change
# under test) in the same rounds; --only keeps the tools whose name has one of the
# comma-separated words in NAME; --part runs the merges or the saves alone.
#
# Exit status 3 when tessellon-merge misses its targets (at most 0.6 x the
# fastest peer's median time and 250 MiB peak memory, on both grids) or a save
# misses its own (PNG at level 9 at most 0.5 x Pillow's time, GIF at most
# Pillow's time).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  lomiri-wallpapers mate-backgrounds plasma-workspace-wallpapers
  imagemagick libvips-tools python3-pil libbenchmark-dev
)
scripts/apt-ensure.sh "${PACKAGES[@]}"

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTESSELLON_TESTS=OFF -DTESSELLON_BENCH=ON >/dev/null
cmake --build build-release -j2 --target tessellon-merge save_timer

echo "$(nproc) cores; $(uptime)"
# Debian's python3, where python3-pil is installed, whatever python3 comes first in PATH.
exec /usr/bin/python3 bench/peer_merge.py run --merge build-release/document/tessellon-merge \
  --saver build-release/bench/save_timer "$@"
