#!/bin/sh
# The content check against torrents another program made: libtorrent's version 1, version 2
# and hybrid torrents (the hybrid with pad files) of the same files, checked whole, damaged,
# moved and with hostile paths, and never a byte written. Usage: verify_cli_test.sh [EMULATOR] TOOL
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 2 ]; then emulator=$1; tool=$2; else emulator=; tool=$1; fi
python=/usr/bin/python3
"$python" -c 'import libtorrent' 2>/dev/null || {
    echo "python3-libtorrent is missing: scripts/setup.sh installs it"
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
. "$here/shell_checks.sh"
# "path=status/good/pieces ..." and whether it is complete, from the JSON report.
verify() {
    $emulator "$tool" verify "$@" --json > report.json 2> err.txt
    code=$?
    "$python" -c 'import json, sys
d = json.load(open("report.json"))
print(" ".join("%s=%s/%d/%d" % (f["path"], f["status"], f["goodPieces"], f["pieces"]) for f in d["files"]),
      d["complete"], d["pieces"]["good"], d["pieces"]["total"], d["bytes"]["checked"], d["bytes"]["total"],
      end="")' 2>&1
    return $code
}

mkdir -p Pack/sub
"$python" - <<'PY'
import random
random.seed(7)
for name, size in (("Pack/a.bin", 100000), ("Pack/sub/b.bin", 50000), ("Pack/sub/c.bin", 300000)):
    open(name, "wb").write(bytes(random.getrandbits(8) for _ in range(size)))
open("Pack/empty.txt", "wb").close()
import libtorrent as lt
for kind, flags in (("v1", lt.create_torrent.v1_only), ("v2", lt.create_torrent.v2_only), ("hybrid", 0)):
    files = lt.file_storage()
    lt.add_files(files, "Pack")
    made = lt.create_torrent(files, 16384, flags=flags)
    lt.set_piece_hashes(made, ".")
    open(kind + ".torrent", "wb").write(lt.bencode(made.generate()))
PY
touch -d '2001-01-01 00:00' Pack/a.bin Pack/sub/b.bin Pack/sub/c.bin Pack/empty.txt
listing() { (cd Pack && find . -exec stat -c '%n %s %Y %A' {} + | LC_ALL=C sort); }
before=$(listing)

whole="a.bin=complete/7/7 empty.txt=complete/0/0 sub/b.bin=complete/4/4 sub/c.bin=complete/19/19 True"
check "v1 whole" "$(verify v1.torrent; echo " exit $?")" "$whole 28 28 450000 450000 exit 0"
check "v2 whole" "$(verify v2.torrent; echo " exit $?")" "$whole 30 30 450000 450000 exit 0"
check "hybrid whole, by its version 2 data" "$(verify hybrid.torrent; echo " exit $?")" \
    "$whole 30 30 450000 450000 exit 0"
check "nothing written, no time changed" "$(listing)" "$before"

# Moved and renamed: found with --content.
mv Pack Renamed
check "renamed folder" "$(verify v2.torrent --content Renamed | cut -d' ' -f5)" "True"
check "missing folder" "$(verify v2.torrent | cut -d' ' -f1)" "a.bin=missing/0/7"
$emulator "$tool" verify v2.torrent > text.txt 2>&1
check "nothing there is one line" "$(tr -d '\r' < text.txt | sed 's/at .*Pack /at Pack /')" \
    "No download at Pack (0 of 4 files present)"
mv Renamed Pack

# One byte changed, one file gone (a pipe in its place, never waited on), one cut short.
cp -r Pack Saved
printf 'X' | dd of=Pack/sub/c.bin bs=1 seek=200000 conv=notrunc 2>/dev/null
rm Pack/sub/b.bin
mkfifo Pack/sub/b.bin
truncate -s 99999 Pack/a.bin
check "v2 damaged" "$(verify v2.torrent; echo " exit $?")" \
    "a.bin=wrong-size/0/7 empty.txt=complete/0/0 sub/b.bin=missing/0/4 sub/c.bin=partial/18/19 False 18 30 283616 450000 exit 1"
# Version 1: a piece is good only when every file it touches is there.
check "v1 damaged" "$(verify v1.torrent | cut -d' ' -f1-4)" \
    "a.bin=wrong-size/0/7 empty.txt=complete/0/0 sub/b.bin=missing/0/4 sub/c.bin=partial/17/19"
$emulator "$tool" verify v1.torrent > text.txt 2>&1
check "text report, naming the folder checked" "$(tr -d '\r' < text.txt | sed 's/ in .*Pack:/ in Pack:/')" "wrong-size  a.bin
missing  sub/b.bin
partial  sub/c.bin
4 files in Pack: 1 complete, 1 partial (2 of 19 pieces bad), 1 missing, 1 wrong-size; 263.5 KB of 439.5 KB verified"
rm -rf Pack && mv Saved Pack

# Version 1: a piece that fails across two files blames the one that is damaged elsewhere too;
# the other, whose own pieces verify, is "shared", naming it. Version 2 sees it file by file.
cp -r Pack Saved
printf 'X' | dd of=Pack/sub/b.bin bs=1 seek=1000 conv=notrunc 2>/dev/null
printf 'X' | dd of=Pack/sub/b.bin bs=1 seek=20000 conv=notrunc 2>/dev/null
check "v1 shared piece" "$(verify v1.torrent | cut -d' ' -f1-4)" \
    "a.bin=shared/6/7 empty.txt=complete/0/0 sub/b.bin=partial/2/4 sub/c.bin=complete/19/19"
check "v1 shared piece names the neighbour" \
    "$("$python" -c 'import json; print(json.load(open("report.json"))["files"][0]["sharedWith"])')" "sub/b.bin"
check "v2 sees it file by file" "$(verify v2.torrent | cut -d' ' -f1-4)" \
    "a.bin=complete/7/7 empty.txt=complete/0/0 sub/b.bin=partial/2/4 sub/c.bin=complete/19/19"
$emulator "$tool" verify v1.torrent > text.txt 2>&1
check "shared in words" "$(tr -d '\r' < text.txt | head -n 1)" \
    "shared  a.bin (not verifiable: shares a damaged piece with sub/b.bin)"
rm -rf Pack && mv Saved Pack

# Paths that would leave the content's folder are never opened.
printf 'x' > outside.bin
"$python" - <<'PY'
import hashlib, libtorrent as lt
info = {b"name": b"Pack", b"piece length": 16384, b"pieces": hashlib.sha1(b"x").digest(),
        b"files": [{b"length": 1, b"path": [b"..", b"outside.bin"]}]}
open("hostile.torrent", "wb").write(lt.bencode({b"info": info}))
PY
check "unsafe path" "$(verify hostile.torrent; echo " exit $?")" \
    "../outside.bin=unsafe/0/1 False 0 1 0 1 exit 1"
# A name that is no file name would point beside the torrent's folder, at files of no torrent:
# refused, never opened, however it is spelled.
mkdir -p in/deep
"$python" - "$work" <<'PY'
import sys, libtorrent as lt
for kind in ("v1", "hybrid"):
    top = lt.bdecode(open(kind + ".torrent", "rb").read())
    for tag, key, name in (("dots", b"name", b".."), ("up", b"name", b"../../Pack"),
                           ("absolute", b"name", (sys.argv[1] + "/Pack").encode()),
                           ("utf8", b"name.utf-8", b"..")):
        top[b"info"][key] = name
        open("in/deep/%s-%s.torrent" % (kind, tag), "wb").write(lt.bencode(top))
        del top[b"info"][key]
PY
cp -r Pack/. in/
for torrent in in/deep/*.torrent; do
    $emulator "$tool" verify "$torrent" > out.txt 2> err.txt
    check "$torrent: a name outside its folder" "$?:$(cat out.txt)$(tr -d '\r' < err.txt | sed 's/.*(\(.*\)).*/\1/' | cut -c1-27)" \
        "2:its name is not a file name"
done
check "... but checked where it is said to be" \
    "$(verify in/deep/v1-dots.torrent --content Pack | cut -d' ' -f5)" "True"
rm -rf in

printf 'd4:infod4:name1:a12:piece lengthi16384e6:lengthi5e6:pieces3:abcee' > short.torrent
$emulator "$tool" verify short.torrent > out.txt 2> err.txt
check "damaged torrent refused" "$?:$(tr -d '\r' < err.txt)" \
    "2:marrowpeek: short.torrent cannot be checked (its piece hashes do not match the size of its content)"
$emulator "$tool" verify missing.torrent > out.txt 2> err.txt
check "missing torrent refused" "$?" 2

checks_done
