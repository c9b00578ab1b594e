#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "torrent/file_tree.h"

namespace torrent {

// What a viewer can show is bounded by the file that asks for it: past one of these limits a
// file is refused as too large to show, rather than made to take the host's memory.
enum class Limit {
    None,
    PathDepth,     // a path of more elements than any file system takes
    TreeNodes,     // more files and folders than the file's size allows
    Trackers,      // more trackers than the file's size allows
    CustomKeys,    // more other keys than the file's size allows
    ListEntries,   // a list of seeds, nodes or relations longer than the file's size allows
    Memory,        // memory ran out on the way
    DocumentSize,  // a torrent document (escapes counted) larger than the file's size allows
};

// Windows paths end at 32,767 characters, a separator between every two elements.
inline constexpr std::size_t kMaxPathElements = 4096;

// The limit in plain words, for a refusal's reason: "a path of more than 4096 elements".
std::string_view LimitText(Limit limit);

// Everything the viewer shows about one metainfo file. Byte strings hold the file's raw bytes;
// only tree names below the root are already valid UTF-8. The tree's names are views into the
// bytes extract() was given: the record is valid while they are.
struct TorrentInfo {
    bool ok = false;
    std::string name;
    std::string announce;
    std::vector<std::vector<std::string>> trackerTiers;
    std::string comment;
    std::string createdBy;
    std::int64_t creationDate = 0;            // seconds since 1970
    bool creationDateInMilliseconds = false;  // the torrent stored it in milliseconds
    std::int64_t pieceLength = 0;
    std::int64_t pieceCount = 0;
    bool multiFile = false;
    std::int64_t totalSize = 0;
    std::int32_t fileCount = 0;
    FileTree tree;
    bool hasPrivate = false;
    bool isPrivate = false;
    bool isV2 = false;
    std::string infoHashV1;
    std::string infoHashV2;
    std::vector<std::pair<std::string, std::string>> custom;
    std::uint64_t infoStart = 0;
    std::uint64_t infoEnd = 0;

    // Beyond the record's first version: what real torrents carry besides.
    bool hasV1Data = false;  // "pieces", "files" or "length": the info hash has a SHA-1 form
    std::string source;      // the info's "source", the tag private trackers put in
    std::vector<std::string> webSeeds;     // "url-list", repeats dropped
    std::vector<std::string> httpSeeds;    // "httpseeds", repeats dropped
    std::vector<std::string> nodes;        // DHT nodes as "host:port" ("[host]:port" for IPv6)
    std::vector<std::string> similar;      // info hashes of similar torrents, hexadecimal
    std::vector<std::string> collections;  // names of the collections the torrent belongs to
    std::int32_t padFileCount = 0;         // padding files, left out of the tree and totals
    std::int64_t padFileSize = 0;
    std::vector<std::string> warnings;  // sentences for the page to show
    Limit exceeded = Limit::None;       // why a record that is not ok was refused, if for its size
};

// Each tracker address with its tier, as every view lists them: the tiers in order (each address
// once already), or the announce address alone, in tier 0, when there are none.
template <typename Visit>
void ForEachTracker(const TorrentInfo& info, Visit&& visit) {
    for (std::size_t tier = 0; tier < info.trackerTiers.size(); ++tier) {
        for (const std::string& address : info.trackerTiers[tier]) {
            visit(std::string_view(address), tier);
        }
    }
    if (info.trackerTiers.empty() && !info.announce.empty()) {
        visit(std::string_view(info.announce), std::size_t{0});
    }
}

// "v1", "v2" or "hybrid", as every view names a torrent's version.
inline const char* VersionWord(const TorrentInfo& info) {
    return !info.isV2 ? "v1" : info.hasV1Data ? "hybrid" : "v2";
}

inline constexpr char kFileListsDisagree[] =
    "The version 1 and version 2 file lists of this torrent disagree.";
inline constexpr char kNegativeLength[] = "A file of this torrent has a negative length.";
inline constexpr char kPieceLengthNotPositive[] =
    "The piece length of this torrent is not positive.";
inline constexpr char kPiecesDoNotMatch[] =
    "The piece hashes of this torrent do not match the size of its content.";
inline constexpr char kEntriesNotFiles[] =
    "Some entries of this torrent's file list name no file and are not shown.";
inline constexpr char kNoName[] = "This torrent has no name.";
inline constexpr char kSingleFileNamedOtherwise[] =
    "The torrent's only file has another name than the torrent: clients save it as the file "
    "shown.";

// Decodes and reads a metainfo file. `ok` is false, and every field but `exceeded` at its
// initial value, when the bytes are not a dictionary holding a dictionary under "info" or are
// too large to show. Never throws.
TorrentInfo extract(const char* data, std::size_t size) noexcept;

}  // namespace torrent
