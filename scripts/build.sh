#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh [--sanitize] [--release]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build"
args=()
for a in "$@"; do
  case "$a" in
    --sanitize) dir="$root/build-asan"; args+=(-DTESSELLON_SANITIZE=ON -DTESSELLON_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
    --release) args+=(-DCMAKE_BUILD_TYPE=Release) ;;
    *) echo "build.sh: unknown option $a" >&2; exit 2 ;;
  esac
done
cmake -S "$root" -B "$dir" -G Ninja -DTESSELLON_WERROR=ON "${args[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
echo "$dir"
