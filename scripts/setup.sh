#!/bin/sh
# Installs what the builds and tests need from Debian's packages, asking apt only when
# something is missing. Usage: scripts/setup.sh [native|all|bench]
set -eu
scope=${1:-all}
packages="cmake ninja-build make g++ pkg-config libssl-dev libcpp-httplib-dev googletest nlohmann-json3-dev libbenchmark-dev python3-libtorrent"
if [ "$scope" != native ]; then
    packages="$packages mingw-w64 wine64 clang libfuzzer-14-dev clang-format chromium"
fi
if [ "$scope" = bench ]; then
    # The peer, the floor and the timers that the whole-process benchmark runs.
    packages="$packages transmission-cli openssl hyperfine time mktorrent"
fi
missing=
# Node.js may come from elsewhere than Debian (a newer build is fine); only its absence matters.
if [ "$scope" != native ] && ! command -v npm >/dev/null 2>&1; then
    packages="$packages nodejs npm"
fi
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
