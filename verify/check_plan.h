#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "torrent/load.h"
#include "torrent/merkle.h"

namespace verify {

inline constexpr std::uint32_t kTopFolder = 0xFFFFFFFF;
inline constexpr std::uint32_t kNoLayer = 0xFFFFFFFF;

// A folder of the content, below its parent (kTopFolder for the content root). Folders, not
// whole paths, are kept: a deep folder holding many files is then stored once, however many.
struct PlannedFolder {
    std::string_view name;
    std::uint32_t parent = kTopFolder;
    bool safe = true;  // it and every folder above it may name something below the root
};

// One file of the torrent as the check reads it, in the torrent's own order. Views point into
// the loaded torrent's bytes, which must outlive the plan, or into the plan's own names.
struct PlannedFile {
    std::string_view name;  // its own name; a single file's name
    std::int64_t size = 0;
    std::int64_t offset = 0;     // where it starts in the version 1 stream of pieces
    const char* root = nullptr;  // version 2: "pieces root", 32 bytes; null when there is none
    std::uint32_t folder = kTopFolder;
    std::uint32_t layer = kNoLayer;  // version 2: its entry of the plan's layers
    bool pad = false;                // zeros in the stream, never read
    bool link = false;               // no content
    bool safe = true;                // every element of its path may name something below the root
    bool content() const { return !pad && !link; }
};

struct CheckPlan {
    bool v2 = false;  // checked by version 2 data: per file, SHA-256 merkle trees
    bool singleFile = false;
    std::int64_t pieceLength = 0;
    std::string_view pieces;      // version 1: 20 bytes a piece
    std::int64_t pieceCount = 0;  // version 1
    std::string name;             // the content's name beside the torrent
    std::vector<PlannedFolder> folders;
    std::vector<PlannedFile> files;
    // Version 2: the "piece layers" entries of the files that have one, 32 bytes a piece. Few
    // files have one, and a plan of a million files is kept small.
    std::vector<std::string_view> layers;
    std::deque<std::string> repairedNames;  // names that were not valid UTF-8, as shown
};

// A file's path below the content root, "/" between elements; a single file's name.
std::string PathOf(const CheckPlan& plan, const PlannedFile& file);

// What a check reads from a torrent: the version 2 data where there is any (a hybrid included),
// else the version 1 stream. It reads the torrent's bytes and its name, never its tree, which it
// lets go first: a torrent of a million files then does not hold both. Nothing, and a reason,
// for a torrent whose data cannot be checked ("the piece hashes do not match the content's
// size").
std::optional<CheckPlan> PlanCheck(torrent::LoadedTorrent& torrent, std::string& whyNot);

// The same for a caller that still walks the tree, which is then held beside the plan.
std::optional<CheckPlan> PlanCheckBesideTree(const torrent::LoadedTorrent& torrent,
                                             std::string& whyNot);

// Where the content is: `given` when it is set, else beside the torrent, as the content's name.
// Nothing, and why, when the name cannot be looked for there (ContentBeside): the caller must
// then be given the content's place.
std::optional<std::filesystem::path> ContentRoot(const CheckPlan& plan,
                                                 const std::filesystem::path& torrentPath,
                                                 const std::filesystem::path& given,
                                                 std::string& whyNot);

}  // namespace verify
