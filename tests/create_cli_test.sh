#!/bin/sh
# Making torrents against libtorrent's own of the same files: version 1, 2 and hybrid of a folder
# and of a single file, byte for byte in their info dictionaries; each found complete by verify;
# the options, the files left out, the refusals, and the same bytes twice.
# Usage: create_cli_test.sh [EMULATOR] TOOL
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 2 ]; then emulator=$1; tool=$2; else emulator=; tool=$1; fi
python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
. "$here/shell_checks.sh"
run() { $emulator "$tool" "$@"; }

mkdir -p Pack/sub Pack/b Pack/empty-folder
head -c 40000 /dev/urandom > Pack/a.bin
head -c 5 /dev/urandom > Pack/sub/c.txt
: > Pack/empty.txt
head -c 16384 /dev/urandom > Pack/b/x.bin
head -c 100 /dev/urandom > Pack/B.bin
# Windows has no execute bit to mark a file with.
[ -z "$emulator" ] && chmod +x Pack/B.bin
# Left out: junk, hidden files, a link, a pipe, and what an exclude names. Wine shows Linux's
# links and pipes as it likes: there they are left to the Linux run.
printf 'x' > Pack/Thumbs.db; printf 'x' > Pack/._a.bin; printf 'x' > Pack/.hidden
printf 'x' > Pack/notes.nfo
if [ -z "$emulator" ]; then
    ln -s a.bin Pack/link.bin
    mkfifo Pack/pipe
fi

# libtorrent's torrent of the same files, added in the order a version 2 torrent lists them.
oracle() {
    "$python" - "$@" <<'PY'
import os, sys, libtorrent as lt
src, kind, out = sys.argv[1], sys.argv[2], sys.argv[3]
flags = {"v1": lt.create_torrent.v1_only, "v2": lt.create_torrent.v2_only, "hybrid": 0}[kind]
fs = lt.file_storage()
parent = os.path.dirname(os.path.abspath(src))
if os.path.isdir(src):
    found = []
    for root, dirs, names in os.walk(src):
        for n in names:
            p = os.path.join(root, n)
            if os.path.isfile(p) and not os.path.islink(p) and not n.startswith(".") and n not in ("Thumbs.db", "notes.nfo"):
                found.append(os.path.relpath(os.path.abspath(p), parent))
    found.sort(key=lambda p: p.encode().split(b"/"))
    for p in found:
        full = os.path.join(parent, p)
        fs.add_file(p, os.path.getsize(full), lt.file_storage.flag_executable if os.access(full, os.X_OK) else 0)
else:
    lt.add_files(fs, src)
made = lt.create_torrent(fs, 16384, flags=flags)
lt.set_piece_hashes(made, parent)
open(out, "wb").write(lt.bencode(made.generate()))
PY
}
info() { "$python" -c 'import sys, libtorrent as lt; sys.stdout.buffer.write(lt.bencode(lt.bdecode(open(sys.argv[1], "rb").read())[b"info"]))' "$1" | sha1sum | cut -c1-40; }

for kind in v1 v2 hybrid; do
    run create Pack --out "pack-$kind.torrent" --"$kind" --piece-size 16384 --exclude '*.nfo' > /dev/null 2> err.txt
    check "$kind folder made" "$?:$(cat err.txt)" "0:"
    oracle Pack "$kind" "theirs-$kind.torrent"
    check "$kind folder: libtorrent's info dictionary" "$(info "pack-$kind.torrent")" "$(info "theirs-$kind.torrent")"
    run create Pack/a.bin --out "one-$kind.torrent" --"$kind" --piece-size 16384 > /dev/null 2>&1
    oracle Pack/a.bin "$kind" "theirs-one-$kind.torrent"
    check "$kind single file: libtorrent's info dictionary" "$(info "one-$kind.torrent")" "$(info "theirs-one-$kind.torrent")"
    run verify "pack-$kind.torrent" --content Pack > /dev/null 2>&1
    check "$kind folder: verify finds it complete" "$?" 0
done

# What was left out, and why; the same bytes twice without a date.
run create Pack --out a.torrent --no-date --exclude '*.nfo' --json > made.json 2>&1
skipped="._a.bin=junk .hidden=hidden Thumbs.db=junk"
[ -z "$emulator" ] && skipped="$skipped link.bin=symbolic link, not followed"
skipped="$skipped notes.nfo=excluded by *.nfo"
[ -z "$emulator" ] && skipped="$skipped pipe=not a regular file"
check "skipped and why" "$("$python" -c 'import json
d = json.load(open("made.json"))
print(" ".join(sorted("%s=%s" % (s["path"], s["reason"]) for s in d["skipped"])), d["files"], d["pieceLength"], d["infoHash"]["v1"] is not None)' | tr -d '\r')" \
    "$skipped 5 16384 True"
run create Pack --out b.torrent --no-date --exclude '*.nfo' > /dev/null 2>&1
check "reproducible bytes" "$(cmp a.torrent b.torrent && echo same)" same
run create Pack --out hidden.torrent --include-hidden --v2 --json > made.json 2>&1
check "hidden files on request" "$("$python" -c 'import json; print(json.load(open("made.json"))["files"])')" 7

# Options: trackers in tiers, web seeds, private and source inside the info dictionary.
run create Pack/a.bin --out opts.torrent --tracker http://a/announce,http://b/announce \
    --tracker udp://c:1/announce --web-seed http://s/ --private --source TRK --comment hi \
    --creator me > /dev/null 2>&1
check "options" "$("$python" -c 'import libtorrent as lt
d = lt.bdecode(open("opts.torrent", "rb").read())
print(d[b"announce"].decode(), [[u.decode() for u in t] for t in d[b"announce-list"]], d[b"url-list"].decode(),
      d[b"info"][b"private"], d[b"info"][b"source"].decode(), d[b"comment"].decode(), d[b"created by"].decode(),
      b"creation date" in d)')" \
    "http://a/announce [['http://a/announce', 'http://b/announce'], ['udp://c:1/announce']] http://s/ 1 TRK hi me True"

# Refusals: one line naming what, exit 1, nothing left behind.
refused() {
    run create "$@" > out.txt 2> err.txt
    printf '%s' "$?:$(tr -d '\r' < err.txt | head -n 1 | sed "s|$work/||g")"
}
check "existing output" "$(refused Pack --out a.torrent)" "1:marrowpeek: a.torrent exists: --force replaces it"
check "... replaced with --force" "$(run create Pack --out a.torrent --force > /dev/null 2>&1; echo $?)" 0
check "missing input" "$(refused Nothing --out n.torrent)" "1:marrowpeek: Nothing is not there"
check "missing output folder" "$(refused Pack --out no/where.torrent | sed 's/folder .*no is/folder no is/')" \
    "1:marrowpeek: the output's folder no is not there"
check "piece size" "$(refused Pack --out p.torrent --piece-size 20000)" \
    "1:marrowpeek: the piece size must be a power of two from 16 KiB to 256 MiB"
mkdir Empty; : > Empty/.x
check "nothing to pack" "$(refused Empty --out e.torrent | cut -c1-29)" "1:marrowpeek: nothing to pack"
check "usage" "$(refused Pack | cut -c1-2)" "2:"
check "unknown option" "$(refused Pack --out u.torrent --privte)" "2:marrowpeek: unknown option --privte"
if [ -z "$emulator" ]; then
    mkdir Bad; printf 'x' > "Bad/$(printf 'bad\377name')"
    check "a name that is not text" "$(refused Bad --out bad.torrent | LC_ALL=C sed 's/bad[^/]*name has/bad?name has/')" \
        "1:marrowpeek: Bad/bad?name has a name that is not valid text"
    mkdir Locked; printf 'x' > Locked/a; chmod 000 Locked/a
    [ "$(id -u)" -ne 0 ] && check "unreadable" "$(refused Locked --out l.torrent)" "1:marrowpeek: Locked/a cannot be read"
fi
# More pieces than clients load is refused before any hashing, with the piece size that fits.
mkdir Huge; : > Huge/sparse.bin; truncate -s 40G Huge/sparse.bin 2>/dev/null
if [ -s Huge/sparse.bin ]; then
    check "too many pieces" "$(refused Huge --out h.torrent --v1 --piece-size 16384)" \
        "1:marrowpeek: 2621440 pieces of 16384 bytes are more than clients load (2097152); a piece size of 32768 bytes would fit"
fi
# Windows' hidden attribute leaves a file out as a leading dot does.
if [ -n "$emulator" ]; then
    mkdir Attr; printf 'x' > Attr/shown.txt; printf 'y' > Attr/marked.txt
    $emulator attrib +h "Z:$work/Attr/marked.txt" > /dev/null 2>&1
    run create Attr --out attr.torrent --json > made.json 2>&1
    check "the hidden attribute" "$(grep -o '"skipped":\[[^]]*\]' made.json)" \
        '"skipped":[{"path":"marked.txt","reason":"hidden"}]'
fi
# Many files: all of them, in order.
if [ -z "$emulator" ]; then
    "$python" -c 'import os
for i in range(200000):
    d = "Many/%03d" % (i % 500)
    os.makedirs(d, exist_ok=True)
    open("%s/%06d" % (d, i), "wb").write(b"x")'
    run create Many --out many.torrent --json > made.json 2> err.txt
    check "200,000 files" "$?:$("$python" -c 'import json; d = json.load(open("made.json")); print(d["files"], d["bytes"])')" "0:200000 200000"
    run verify many.torrent --content Many > /dev/null 2>&1
    check "200,000 files verified" "$?" 0
    rm -rf Many
fi
check "nothing left behind" "$(ls | grep -c -e '^n.torrent' -e '^p.torrent' -e '^e.torrent' -e '^u.torrent' -e '^bad.torrent' -e '\.tmp' -e 'Marrowpeek')" 0

checks_done
