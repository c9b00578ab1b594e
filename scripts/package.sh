#!/bin/sh
# Builds Marrowpeek.dll and writes dist/Marrowpeek.zip: the plug-in as Marrowpeek.wlx64, the
# pluginst.inf that lets Total Commander install it from the archive, and a short README.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh all
cmake --preset windows >/dev/null
cmake --build --preset windows --target marrowpeek_plugin
staging=build/package
rm -rf "$staging" dist/Marrowpeek.zip
mkdir -p "$staging" dist
x86_64-w64-mingw32-strip -o "$staging/Marrowpeek.wlx64" build/windows/bin/Marrowpeek.dll
cp build/windows/package/pluginst.inf packaging/README.txt "$staging/"
(cd "$staging" && cmake -E tar cf ../../dist/Marrowpeek.zip --format=zip \
    pluginst.inf Marrowpeek.wlx64 README.txt)
echo "dist/Marrowpeek.zip"
