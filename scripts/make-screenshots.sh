#!/usr/bin/env bash
# Takes the screenshots of the user manual from the real program, offscreen,
# and writes them into main/manual/images/.
# Usage: scripts/make-screenshots.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build}
cmake --build "$dir" --target tessellon_make_screenshots
QT_QPA_PLATFORM=offscreen "$dir/main/tessellon_make_screenshots" "$root/main/manual/images"
du -ch "$root"/main/manual/images/*.png | tail -n 1
