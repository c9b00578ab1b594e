#!/bin/sh
# Making torrents side by side, as medians: 1 GiB of cached content in 4 MiB pieces against one
# core of `openssl dgst` (the floor), mktorrent on both threads (version 1) and libtorrent
# (hybrid), with peak memory; then 20,000 small files against mktorrent and libtorrent.
# Usage: bench/create_bench.sh [BUILD_BIN]   (default: build/native/bin)
set -eu
bin=${1:-build/native/bin}
tool=$(cd "$(dirname "$bin/marrowpeek")" && pwd)/marrowpeek
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/measure.sh"
cd "$work"
cat > make_lt.py <<'PY'
import sys, libtorrent as lt
src, out, piece = sys.argv[1], sys.argv[2], int(sys.argv[3])
files = lt.file_storage()
lt.add_files(files, src)
made = lt.create_torrent(files, piece, flags=0)
lt.set_piece_hashes(made, ".")
open(out, "wb").write(lt.bencode(made.generate()))
PY

mkdir Big
head -c 1073741824 /dev/urandom > Big/one.bin
cat Big/one.bin > /dev/null
sha1=$(median "openssl dgst -sha1 Big/one.bin")
sha256=$(median "openssl dgst -sha256 Big/one.bin")
mk=$(median "sh -c 'rm -f mk.torrent; mktorrent -l 22 -t 2 -o mk.torrent Big > /dev/null'")
lt=$(median "/usr/bin/python3 make_lt.py Big lt.torrent 4194304")
for kind in v1 v2 hybrid; do
    ours=$(median "$tool create Big --out ours.torrent --force --$kind --piece-size 4194304")
    floor=$([ "$kind" = v2 ] && echo "$sha256" || echo "$sha1")
    printf 'create %s, 1 GiB cached, 4 MiB pieces: marrowpeek %s ms, %sx one-core openssl (%s ms)' \
        "$kind" "$ours" "$(ratio "$ours" "$floor")" "$floor"
    [ "$kind" = v1 ] && printf ', %sx mktorrent (%s ms)' "$(ratio "$ours" "$mk")" "$mk"
    [ "$kind" = hybrid ] && printf ', %sx libtorrent (%s ms)' "$(ratio "$ours" "$lt")" "$lt"
    printf '; peak %s MB\n' "$(peak "$tool create Big --out ours.torrent --force --$kind --piece-size 4194304")"
done
rm -rf Big

mkdir Small
/usr/bin/python3 - <<'PY'
import os
for i in range(20000):
    folder = "Small/%02d" % (i % 50)
    os.makedirs(folder, exist_ok=True)
    open("%s/%05d.bin" % (folder, i), "wb").write(os.urandom(1024 + (i * 7919) % 7168))
PY
cat Small/*/* > /dev/null
mk=$(median "sh -c 'rm -f mk.torrent; mktorrent -t 2 -o mk.torrent Small > /dev/null'")
lt=$(median "/usr/bin/python3 make_lt.py Small lt.torrent 65536")
v1=$(median "$tool create Small --out ours.torrent --force --v1")
hybrid=$(median "$tool create Small --out ours.torrent --force --hybrid")
printf 'create 20,000 small files: marrowpeek v1 %s ms, %sx mktorrent (%s ms); hybrid %s ms, %sx libtorrent (%s ms)\n' \
    "$v1" "$(ratio "$v1" "$mk")" "$mk" "$hybrid" "$(ratio "$hybrid" "$lt")" "$lt"
