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
contents=$(cmake -E tar tf dist/Marrowpeek.zip | LC_ALL=C sort | tr '\n' ' ')
[ "$contents" = "Marrowpeek.wlx64 README.txt pluginst.inf " ] || {
    echo "dist/Marrowpeek.zip holds: $contents"
    exit 1
}
# One version: CMake's, in the installer's description and in the README.
version=$(sed -n 's/^project(Marrowpeek VERSION \([0-9.]*\)$/\1/p' CMakeLists.txt)
grep -qx "version=$version" build/windows/package/pluginst.inf || {
    echo "pluginst.inf does not carry version $version"
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
