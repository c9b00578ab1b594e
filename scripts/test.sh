#!/bin/sh
# Every check the project has: formatting, the native build with its tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build with its tests under
# Wine, and a bounded fuzzing run. Exits non-zero when anything fails.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh all

jobs=$(nproc)
fuzz_seconds=${MARROWPEEK_FUZZ_SECONDS:-120}

echo "== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

for preset in native native-asan windows; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done

echo "== page in Chromium (screenshots land in test-artifacts/)"
(cd tests/browser && npm ci --no-audit --no-fund && npm test)

echo "== package"
scripts/package.sh
# One plug-in to an archive, each with its installer's description carrying CMake's version.
version=$(sed -n 's/^project(Marrowpeek VERSION \([0-9.]*\)$/\1/p' CMakeLists.txt)
for archive in Marrowpeek:Marrowpeek.wlx64:wlx Marrowpeek-columns:Marrowpeek.wdx64:wdx \
    Marrowpeek-packer:Marrowpeek.wcx64:wcx; do
    name=${archive%%:*}; rest=${archive#*:}; library=${rest%%:*}; kind=${rest#*:}
    contents=$(cmake -E tar tf "dist/$name.zip" | LC_ALL=C sort | tr '\n' ' ')
    [ "$contents" = "$library README.txt pluginst.inf " ] || {
        echo "dist/$name.zip holds: $contents"
        exit 1
    }
    inf=$(cd build && cmake -E tar xf "../dist/$name.zip" pluginst.inf && cat pluginst.inf && rm pluginst.inf)
    for line in "type=$kind" "file=$library" "defaultdir=Marrowpeek" "version=$version"; do
        printf '%s\n' "$inf" | tr -d '\r' | grep -qx "$line" || {
            echo "dist/$name.zip: pluginst.inf lacks $line"
            exit 1
        }
    done
done
# The packer registers for torrents.
inf=$(cd build && cmake -E tar xf ../dist/Marrowpeek-packer.zip pluginst.inf && cat pluginst.inf && rm pluginst.inf)
printf '%s\n' "$inf" | tr -d '\r' | grep -qx "defaultextension=torrent" || {
    echo "dist/Marrowpeek-packer.zip: pluginst.inf lacks defaultextension=torrent"
    exit 1
}
grep -q "^Version $version\." README.md || {
    echo "README.md does not name version $version"
    exit 1
}

echo "== fuzz ($fuzz_seconds s)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
if ! build/fuzz/bin/run-fuzz "$fuzz_seconds" > build/fuzz/fuzz.log 2>&1; then
    tail -n 60 build/fuzz/fuzz.log
    echo "fuzzing failed: the input is in build/fuzz (crash-*, leak-*, timeout-*)"
    exit 1
fi
grep -E '^== |^Done' build/fuzz/fuzz.log

echo "all checks passed"
