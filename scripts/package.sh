#!/bin/sh
# Builds the plug-ins and writes three archives into dist/, one plug-in each, as Total Commander's
# installer takes them: Marrowpeek.zip (the viewer, Marrowpeek.wlx64), Marrowpeek-columns.zip
# (the content plug-in, Marrowpeek.wdx64) and Marrowpeek-packer.zip (the packer plug-in,
# Marrowpeek.wcx64), each with its pluginst.inf and a short README. All install into the same
# Marrowpeek folder, where they share the settings file.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh all
cmake --preset windows >/dev/null
cmake --build --preset windows --target marrowpeek_plugin marrowpeek_columns marrowpeek_packer
mkdir -p dist

# Usage: archive NAME BUILT PACKAGED INF README
archive() {
    staging=build/package/$1
    rm -rf "$staging" "dist/$1.zip"
    mkdir -p "$staging"
    x86_64-w64-mingw32-strip -o "$staging/$3" "$2"
    cp "$4" "$staging/pluginst.inf"
    cp "$5" "$staging/README.txt"
    (cd "$staging" && cmake -E tar cf "../../../dist/$1.zip" --format=zip \
        pluginst.inf "$3" README.txt)
    echo "dist/$1.zip"
}
archive Marrowpeek build/windows/bin/Marrowpeek.dll Marrowpeek.wlx64 \
    build/windows/package/pluginst.inf packaging/README.txt
archive Marrowpeek-columns build/windows/bin/Marrowpeek.wdx64 Marrowpeek.wdx64 \
    build/windows/package/columns/pluginst.inf packaging/columns/README.txt
archive Marrowpeek-packer build/windows/bin/Marrowpeek.wcx64 Marrowpeek.wcx64 \
    build/windows/package/packer/pluginst.inf packaging/packer/README.txt
