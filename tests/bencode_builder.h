#pragma once

// Builds metainfo bytes in code, so that every fixture shows what it holds.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "platform/digest.h"

namespace fixture {

inline std::string Str(std::string_view bytes) {
    return std::to_string(bytes.size()) + ":" + std::string(bytes);
}

inline std::string Int(std::int64_t value) {
    return "i" + std::to_string(value) + "e";
}

inline std::string List(std::initializer_list<std::string> items) {
    std::string out = "l";
    for (const auto& item : items)
        out += item;
    return out + "e";
}

// Keys are written in the order given, unsorted and repeated as they come.
inline std::string Dict(std::initializer_list<std::pair<std::string_view, std::string>> entries) {
    std::string out = "d";
    for (const auto& [key, value] : entries)
        out += Str(key) + value;
    return out + "e";
}

inline std::string SingleFileTorrent(std::string_view name, std::int64_t length) {
    return Dict({{"announce", Str("http://tracker.example/announce")},
                 {"info", Dict({{"length", Int(length)},
                                {"name", Str(name)},
                                {"piece length", Int(16384)},
                                {"pieces", Str(std::string(20, 'p'))}})}});
}

// Files as ("folder/name", length); the folders come from splitting at "/".
inline std::string MultiFileTorrent(
    std::string_view name, std::initializer_list<std::pair<std::string_view, std::int64_t>> files,
    std::string_view extra = "") {
    std::string list = "l";
    for (const auto& [path, length] : files) {
        std::string elements = "l";
        for (std::size_t start = 0; start <= path.size();) {
            const std::size_t slash = std::min(path.find('/', start), path.size());
            elements += Str(path.substr(start, slash - start));
            start = slash + 1;
        }
        list += Dict({{"length", Int(length)}, {"path", elements + "e"}});
    }
    return "d" + std::string(extra) + "4:info" +
           Dict({{"files", list + "e"},
                 {"name", Str(name)},
                 {"piece length", Int(16384)},
                 {"pieces", Str(std::string(20, 'p'))}}) +
           "e";
}

// The SHA-1 piece hashes of content, as a version 1 torrent holds them.
inline std::string PieceHashes(std::string_view content, std::size_t pieceLength) {
    std::string pieces;
    for (std::size_t at = 0; at < content.size(); at += pieceLength) {
        const std::string_view piece = content.substr(at, pieceLength);
        pieces += platform::ComputeDigest(L"SHA1", piece.data(),
                                          static_cast<std::uint32_t>(piece.size()));
    }
    return pieces;
}

}  // namespace fixture
