#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while, starting from
# its seed corpus and its regression files. Usage: scripts/fuzz.sh [seconds per target, default 20]
# The memory limit leaves room for the largest picture the readers accept
# (2^28 pixels: 1 GiB of ours, and twice that in GraphicsMagick's pixel cache
# while it decodes one), plus the sanitizers' share.
# Every input libFuzzer writes (crash-*, timeout-*, oom-*, leak-*) is copied to
# fuzz/artifacts/<target>/, which git ignores, and named at the end. To keep one
# as a test, rename it after the fault it caught and move it into
# fuzz/regressions/<target>/: the replay tests run it from then on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
dir="$root/build-fuzz"
artifacts="$root/fuzz/artifacts"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DTESSELLON_FUZZ=ON -DTESSELLON_TESTS=OFF \
  -DTESSELLON_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$(nproc)"
failed=()
kept=()
for exe in "$dir"/fuzz/*_fuzz; do
  name=$(basename "$exe")
  work=$(mktemp -d)
  mkdir "$work/corpus" "$work/found"
  for seeds in "$root/fuzz/corpus/$name" "$root/fuzz/regressions/$name"; do
    [ -d "$seeds" ] && find "$seeds" -maxdepth 1 -type f ! -name '.*' -exec cp {} "$work/corpus"/ \;
  done
  echo "fuzzing $name for ${seconds}s"
  if ! ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1 \
    "$exe" -max_total_time="$seconds" -rss_limit_mb=5120 -malloc_limit_mb=5120 -max_len=1048576 \
    -artifact_prefix="$work/found/" "$work/corpus" >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    failed+=("$name")
  fi
  for found in "$work"/found/*; do
    [ -e "$found" ] || continue
    mkdir -p "$artifacts/$name"
    cp "$found" "$artifacts/$name/"
    kept+=("$artifacts/$name/$(basename "$found")")
  done
  rm -rf "$work"
done
if [ ${#kept[@]} -gt 0 ]; then
  echo "inputs written by libFuzzer:"
  printf '  %s\n' "${kept[@]}"
  echo "to keep one as a test: mv it to fuzz/regressions/<target>/<what-it-caught>.<ext>"
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed"
