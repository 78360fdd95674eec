#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh [--sanitize|--tsan] [--release]
#   --sanitize  build-asan: AddressSanitizer and UndefinedBehaviorSanitizer, Debug
#   --tsan      build-tsan: ThreadSanitizer, only the picture-reading tests and what they link
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build"
args=()
targets=()
for a in "$@"; do
  case "$a" in
    --sanitize) dir="$root/build-asan"; args+=(-DTESSELLON_SANITIZE=ON -DTESSELLON_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
    --tsan) dir="$root/build-tsan"; args+=(-DTESSELLON_TSAN=ON -DTESSELLON_BENCH=OFF); targets+=(--target test_pictures) ;;
    --release) dir="$root/build-release"; args+=(-DCMAKE_BUILD_TYPE=Release) ;;
    *) echo "build.sh: unknown option $a" >&2; exit 2 ;;
  esac
done
# Everything but the build folder's name goes to stderr, so that callers can take
# the name from stdout and compiler messages still reach the user.
cmake -S "$root" -B "$dir" -G Ninja -DTESSELLON_WERROR=ON "${args[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >&2
echo "$dir"
