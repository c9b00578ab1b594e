#!/usr/bin/python3
"""Content and torrents for the packer's tests, made by libtorrent: a folder Pack with version 1,
2 and hybrid torrents of it (small pieces, so that files share them), a single file, each with
libtorrent's list of its files ("path<TAB>size", pads left out); and the torrents "Pack files"
must make the same of: the folder, the file, and both at once under the name "Several".
Usage: packer_fixture.py FOLDER"""
import os, shutil, sys, libtorrent as lt

root = sys.argv[1]
os.makedirs(os.path.join(root, "Pack", "sub", "deeper"), exist_ok=True)
os.makedirs(os.path.join(root, "Pack", "b"), exist_ok=True)
content = {
    "Pack/a.bin": 40000, "Pack/sub/c.txt": 5, "Pack/sub/deeper/d.bin": 70000,
    "Pack/b/x.bin": 16384, "Pack/B.bin": 100, "Pack/empty.txt": 0, "one.bin": 50000,
    "Pack/\u00fcn\u00efcode \u2713.txt": 33,
}
for path, size in content.items():
    with open(os.path.join(root, path), "wb") as out:
        out.write(os.urandom(size))

def order(paths):
    return sorted(paths, key=lambda p: p.encode().split(b"/"))

def storage(paths, parent):
    fs = lt.file_storage()
    for p in order(paths):
        fs.add_file(p, os.path.getsize(os.path.join(parent, p)))
    return fs

def write(fs, flags, piece, out, listing=True):
    made = lt.create_torrent(fs, piece, flags=flags)
    made.set_creator("fixture")
    lt.set_piece_hashes(made, root)
    data = lt.bencode(made.generate())
    open(os.path.join(root, out + ".torrent"), "wb").write(data)
    info = lt.torrent_info(lt.bdecode(data))
    files = info.files()
    if listing:
        with open(os.path.join(root, out + ".list"), "w", encoding="utf-8") as lines:
            for i in range(files.num_files()):
                if not files.file_flags(i) & lt.file_storage.flag_pad_file:
                    lines.write("%s\t%d\n" % (files.file_path(i).replace("/", "\\"), files.file_size(i)))
    return info

pack = [p for p in content if p.startswith("Pack/")]
kinds = {"v1": lt.create_torrent.v1_only, "v2": lt.create_torrent.v2_only, "hybrid": 0}
for kind, flags in kinds.items():
    write(storage(pack, root), flags, 16384, kind)
write(storage(["one.bin"], root), 0, 16384, "single")

# What "Pack files" makes with its defaults (hybrid, 16 KiB pieces for content this small): the
# same info dictionary, its version 1 hash here. The several entries' torrent is made from a copy
# under its root name, and the copy removed.
for name, fs in (("pack-folder", storage(pack, root)), ("pack-file", storage(["one.bin"], root))):
    info = write(fs, 0, 16384, "expected-" + name, listing=False)
    open(os.path.join(root, name + ".hash"), "w").write(str(info.info_hashes().v1))
staging = os.path.join(root, "staging")
several = ["Several/" + p for p in pack] + ["Several/one.bin"]
for p in several:
    os.makedirs(os.path.dirname(os.path.join(staging, p)), exist_ok=True)
    shutil.copyfile(os.path.join(root, p[len("Several/"):]), os.path.join(staging, p))
several_files = storage(several, staging)  # create_torrent keeps a reference to it
made = lt.create_torrent(several_files, 16384, flags=0)
lt.set_piece_hashes(made, staging)
info = lt.torrent_info(lt.bdecode(lt.bencode(made.generate())))
open(os.path.join(root, "pack-several.hash"), "w").write(str(info.info_hashes().v1))
shutil.rmtree(staging)
