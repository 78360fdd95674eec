#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its seed
# corpus. Usage: scripts/fuzz.sh [seconds per target, default 20]
# The memory limit leaves room for the largest picture the readers accept
# (2^28 pixels: 1 GiB of ours, and twice that in GraphicsMagick's pixel cache
# while it decodes one), plus the sanitizers' share.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DTESSELLON_FUZZ=ON -DTESSELLON_TESTS=OFF \
  -DTESSELLON_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$(nproc)"
for exe in "$dir"/fuzz/*_fuzz; do
  name=$(basename "$exe")
  corpus="$root/fuzz/corpus/$name"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "fuzzing $name for ${seconds}s"
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1 \
    "$exe" -max_total_time="$seconds" -rss_limit_mb=5120 -malloc_limit_mb=5120 -max_len=1048576 "$work" >"$work.log" 2>&1 \
    || { tail -n 60 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
echo "fuzzing passed"
