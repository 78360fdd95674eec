#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
# Asks dpkg first and returns at once when everything is present.
set -euo pipefail
missing=()
for p in "$@"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -o DPkg::Lock::Timeout=600
$SUDO apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
