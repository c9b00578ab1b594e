#!/bin/sh
# Marrowpeek.wcx64 under a stand-in file manager, against content and torrents libtorrent makes.
# Usage: packer_test.sh EMULATOR TESTS
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$(dirname "$0")/packer_fixture.py" "$work" || exit 1
MARROWPEEK_PACKER_FIXTURE="Z:$work" "$1" "$2"
