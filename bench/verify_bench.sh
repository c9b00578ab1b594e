#!/bin/sh
# The content check as a user runs it, against its floors and a peer, in one run: 512 MiB of
# cached content (8 files of 64 MiB, 1 MiB pieces) checked by `marrowpeek verify` against one
# core of `openssl dgst` over the same files and against libtorrent's own recheck of the same
# torrent (two hashing threads); its peak memory; and 200,000 small files against reading them
# once. Usage: bench/verify_bench.sh [BUILD_BIN]   (default: build/native/bin)
set -eu
bin=${1:-build/native/bin}
tool=$(cd "$(dirname "$bin/marrowpeek")" && pwd)/marrowpeek
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/measure.sh"
cd "$work"

mkdir Big
for i in 1 2 3 4 5 6 7 8; do head -c 67108864 /dev/urandom > "Big/part$i.bin"; done
/usr/bin/python3 - <<'PY'
import libtorrent as lt
for kind, flags in (("v1", lt.create_torrent.v1_only), ("v2", lt.create_torrent.v2_only)):
    files = lt.file_storage()
    lt.add_files(files, "Big")
    made = lt.create_torrent(files, 1 << 20, flags=flags)
    lt.set_piece_hashes(made, ".")
    open("big-" + kind + ".torrent", "wb").write(lt.bencode(made.generate()))
PY
cat > recheck.py <<'PY'
import libtorrent as lt, sys, time
settings = {"hashing_threads": 2, "enable_dht": False, "enable_lsd": False,
            "enable_upnp": False, "enable_natpmp": False, "listen_interfaces": "127.0.0.1:0"}
session = lt.session(settings)
start = time.monotonic()
handle = session.add_torrent({"ti": lt.torrent_info(sys.argv[1]), "save_path": "."})
while True:
    status = handle.status()
    if status.state not in (lt.torrent_status.checking_files,
                            lt.torrent_status.checking_resume_data) and status.has_metadata \
            and time.monotonic() - start > 0.05:
        break
    time.sleep(0.01)
print("%.1f %d" % ((time.monotonic() - start) * 1000, status.num_pieces))
PY
cat Big/* > /dev/null
for kind in v1 v2; do
    algorithm=$([ "$kind" = v1 ] && echo sha1 || echo sha256)
    ours=$(median "$tool verify big-$kind.torrent --content Big")
    floor=$(median "openssl dgst -$algorithm Big/part1.bin Big/part2.bin Big/part3.bin Big/part4.bin Big/part5.bin Big/part6.bin Big/part7.bin Big/part8.bin")
    peer=$(/usr/bin/python3 recheck.py "big-$kind.torrent" | cut -d' ' -f1)
    printf 'verify %s, 512 MiB cached: marrowpeek %s ms, openssl -%s one core %s ms (%sx the floor), libtorrent recheck %s ms (%sx its time); peak %s MB\n' \
        "$kind" "$ours" "$algorithm" "$floor" "$(ratio "$ours" "$floor")" "$peer" \
        "$(ratio "$ours" "$peer")" "$(peak "$tool verify big-$kind.torrent --content Big")"
done
rm -rf Big

mkdir Small
/usr/bin/python3 - <<'PY'
import os, libtorrent as lt
for i in range(200000):
    folder = "Small/%03d" % (i % 500)
    os.makedirs(folder, exist_ok=True)
    open("%s/%06d.txt" % (folder, i), "wb").write(os.urandom(100 + i % 300))
files = lt.file_storage()
lt.add_files(files, "Small")
made = lt.create_torrent(files, 1 << 20, flags=lt.create_torrent.v1_only)
lt.set_piece_hashes(made, ".")
open("small.torrent", "wb").write(lt.bencode(made.generate()))
PY
ours=$(median "$tool verify small.torrent --content Small")
floor=$(median "sh -c 'find Small -type f -exec cat {} + > /dev/null'")
printf 'verify 200,000 small files: marrowpeek %s ms, reading them once %s ms (%sx)\n' \
    "$ours" "$floor" "$(ratio "$ours" "$floor")"
rm -rf Small

# A torrent of 1,000,000 one-byte files and nothing on disk: its per-file state is kept small,
# the peak within three times the torrent plus 64 MiB.
/usr/bin/python3 - <<'PY'
import hashlib
parts = [b"d6:lengthi1e4:pathl4:d%03d10:f%06d.binee" % (i % 1000, i) for i in range(1000000)]
pieces = b"".join(hashlib.sha1(b"x" * min(16384, 1000000 - k)).digest() for k in range(0, 1000000, 16384))
info = b"d5:filesl" + b"".join(parts) + b"e4:name4:Many12:piece lengthi16384e6:pieces%d:" % len(pieces) + pieces + b"e"
open("million.torrent", "wb").write(b"d4:info" + info + b"e")
PY
bytes=$(wc -c < million.torrent)
ours=$(median "sh -c '$tool verify million.torrent > /dev/null; true'")
memory=$(peak "$tool verify million.torrent")
printf 'verify 1,000,000 files, none on disk: %s ms, peak %s MB (bound: 3x the %.1f MB torrent + 64 MiB = %.1f MB)\n' \
    "$ours" "$memory" "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" \
    "$(awk -v b="$bytes" 'BEGIN { print (3 * b + 67108864) / 1048576 }')"
