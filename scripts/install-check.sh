#!/usr/bin/env bash
# Installs a build tree into a temporary folder and checks what a desktop would
# see: both programs run from there, the desktop entry and the AppStream file
# are valid, and the Debian package holds the same files.
# Usage: scripts/install-check.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build-release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DESTDIR="$work/root" cmake --install "$dir" --prefix /usr >/dev/null
prefix="$work/root/usr"
export QT_QPA_PLATFORM=offscreen

echo "== the installed programs"
"$prefix/bin/tessellon" --version
# A picture merged by the installed tessellon-merge.
"$prefix/bin/tessellon-merge" --rows 1 --cols 2 --cell 40x30 -o "$work/grid.png" \
  "$prefix/share/tessellon/Desktop/MainBG1.bmp" "$prefix/share/tessellon/Desktop/MainBG2.bmp"
file "$work/grid.png"

echo "== desktop entry and metadata"
desktop-file-validate "$prefix/share/applications/org.tessellon.Tessellon.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.tessellon.Tessellon.metainfo.xml"
# The projects' file type is one the desktop's type database takes.
cp -r "$prefix/share/mime" "$work/mime"
update-mime-database "$work/mime" >/dev/null 2>&1
grep -q 'application/x-tessellon-project' "$work/mime/globs2"
for size in 16 22 24 32 48 64 128 256; do
  test -s "$prefix/share/icons/hicolor/${size}x${size}/apps/tessellon.png"
done
test -s "$prefix/share/icons/hicolor/scalable/apps/tessellon.svg"
man -l "$prefix/share/man/man1/tessellon-merge.1" >/dev/null 2>&1 || test -s "$prefix/share/man/man1/tessellon-merge.1"

echo "== the user manual"
test -s "$prefix/share/tessellon/manual/index.html"
test -s "$prefix/share/tessellon/manual/style.css"
ls "$prefix/share/tessellon/manual/images/"*.png >/dev/null

echo "== the package"
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls -1t "$dir"/tessellon_*.deb | head -n 1)
dpkg-deb --field "$deb" Package Version Section Depends
dpkg-deb --contents "$deb"
echo "install check passed"
