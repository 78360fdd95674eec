#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Usage: scripts/test.sh [--sanitize|--tsan]
#   --sanitize  every test under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)
#   --tsan      the picture-reading tests under ThreadSanitizer (build-tsan); the tests
#               take their TSAN_OPTIONS, with tests/tsan.supp, from the build tree
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
dir=$("$root/scripts/build.sh" "$@" | tail -n 1)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
