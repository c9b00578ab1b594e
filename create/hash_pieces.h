#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "create/file_set.h"

namespace create {

enum class Version { V1, V2, Hybrid };

// A torrent's hashes. Version 1: 20 bytes a piece over the files one after another (a hybrid's
// files each padded with zeros to a piece's end, but a single file). Version 2: each file's
// merkle root, and its piece layer where it has more than one piece; empty for an empty file.
struct PieceHashes {
    std::string v1;
    std::vector<std::string> roots;
    std::vector<std::string> layers;
};

struct HashProgress {
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;
};

// Hashes the files on `threads` threads (0: one a core, sixteen at most), each byte read once in
// reads of 4 MiB, a hybrid's SHA-1 and SHA-256 fed from the same buffer. `progress` is called on
// the calling thread about ten times a second; `stop` ends the work within a read. False, and why
// naming the file, when a file cannot be read or changed while it was hashed, or when stopped.
bool HashPieces(const FileSet& set, Version version, std::int64_t pieceLength, unsigned threads,
                const std::atomic<bool>& stop,
                const std::function<void(const HashProgress&)>& progress, PieceHashes& hashes,
                std::string& whyNot);

}  // namespace create
