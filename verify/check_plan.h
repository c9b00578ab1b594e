#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/load.h"

namespace verify {

// One file of the torrent as the check reads it, in the torrent's own order. Views point into
// the loaded torrent's bytes, which must outlive the plan.
struct PlannedFile {
    std::string path;  // below the content root, "/" between elements; a single file's name
    std::int64_t size = 0;
    std::int64_t offset = 0;  // where it starts in the version 1 stream of pieces
    bool pad = false;         // zeros in the stream, never read
    bool link = false;        // no content
    bool safe = true;         // every element may name something below the root
    std::string_view root;    // version 2: "pieces root", 32 bytes
    std::string_view layer;   // version 2: its entry of "piece layers", 32 bytes a piece
    bool content() const { return !pad && !link; }
};

struct CheckPlan {
    bool v2 = false;  // checked by version 2 data: per file, SHA-256 merkle trees
    bool singleFile = false;
    std::int64_t pieceLength = 0;
    std::string_view pieces;      // version 1: 20 bytes a piece
    std::int64_t pieceCount = 0;  // version 1
    std::string name;             // the content's name beside the torrent
    std::vector<PlannedFile> files;
};

// The pieces of `pieceLength` bytes that `size` bytes fill, the last one maybe short.
constexpr std::int64_t PiecesOf(std::int64_t size, std::int64_t pieceLength) {
    return size <= 0 ? 0 : (size - 1) / pieceLength + 1;
}

// What a check reads from a torrent: the version 2 data where there is any (a hybrid included),
// else the version 1 stream. Nothing, and a reason, for a torrent whose data cannot be checked
// ("the piece hashes do not match the content's size").
std::optional<CheckPlan> PlanCheck(const torrent::LoadedTorrent& torrent, std::string& whyNot);

// Where the content is: `given` when it is set, else beside the torrent, as the content's name.
// Nothing, and why, when the name cannot be looked for there (ContentBeside): the caller must
// then be given the content's place.
std::optional<std::filesystem::path> ContentRoot(const CheckPlan& plan,
                                                 const std::filesystem::path& torrentPath,
                                                 const std::filesystem::path& given,
                                                 std::string& whyNot);

}  // namespace verify
