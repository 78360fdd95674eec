#!/usr/bin/env bash
# Builds the Debian package of Tessellon from a Release tree. Prints the package's path.
# Usage: scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
dir=$("$root/scripts/build.sh" --release | tail -n 1)
(cd "$dir" && cpack -G DEB >&2)
ls -1t "$dir"/tessellon_*.deb | head -n 1
