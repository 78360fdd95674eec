#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh [--sanitize] [--release]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build"
args=()
for a in "$@"; do
  case "$a" in
    --sanitize) dir="$root/build-asan"; args+=(-DTESSELLON_SANITIZE=ON -DTESSELLON_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
    --release) dir="$root/build-release"; args+=(-DCMAKE_BUILD_TYPE=Release) ;;
    *) echo "build.sh: unknown option $a" >&2; exit 2 ;;
  esac
done
# Everything but the build folder's name goes to stderr, so that callers can take
# the name from stdout and compiler messages still reach the user.
cmake -S "$root" -B "$dir" -G Ninja -DTESSELLON_WERROR=ON "${args[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" >&2
echo "$dir"
