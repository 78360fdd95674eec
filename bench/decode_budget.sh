#!/usr/bin/env bash
# Peak memory of tessellon-merge on files whose headers claim pictures of 2^28
# pixels (tiny ones, and ones padded past the readers' bounds) and on one
# well-formed picture of that size. Builds tessellon-merge in Release in
# build-release/ and runs bench/decode_budget.py, which writes the files in a
# temporary folder and prints each run's peak resident set size. Not run by CI;
# the large picture needs about 1.1 GiB of memory and the files 10 MiB of disk.
#
#   bench/decode_budget.sh [--merge PATH] [--work DIR]
#
# --merge measures another build of tessellon-merge instead (one without a change
# under test, say); --work is the folder for the temporary files.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ " $* " != *" --merge "* ]]; then
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTESSELLON_TESTS=OFF -DTESSELLON_BENCH=OFF >/dev/null
  cmake --build build-release -j2 --target tessellon-merge
  set -- --merge build-release/document/tessellon-merge "$@"
fi
echo "$(nproc) cores; $(uptime)"
exec python3 bench/decode_budget.py "$@"
