#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "create/file_set.h"
#include "create/hash_pieces.h"

namespace create {

// What a torrent says besides its files.
struct Description {
    std::vector<std::vector<std::string>> trackerTiers;
    std::vector<std::string> webSeeds;
    bool isPrivate = false;
    std::string source;
    std::string comment;
    std::string creator;
    std::optional<std::int64_t> creationDate;  // seconds since 1970; none: no date at all
};

// The info dictionary as libtorrent writes it for the same files, name and piece length: a
// version 2 "file tree" and "meta version", a version 1 "files" list or "length" and "pieces" (a
// multi-file hybrid's files each followed by a pad file ".pad/N" to a piece's end), "private"
// and "source" when given, and nothing else.
std::string InfoDictionary(const FileSet& set, Version version, std::int64_t pieceLength,
                           const PieceHashes& hashes, const Description& description);

// The whole metainfo file around an info dictionary: the first tracker as "announce", every
// tier in "announce-list" when there is more than one tracker, the comment, the creator, the
// date, the version 2 "piece layers" and the web seeds.
std::string Metainfo(const std::string& info, const FileSet& set, const PieceHashes& hashes,
                     const Description& description);

}  // namespace create
