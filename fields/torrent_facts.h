#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "fields/field_table.h"

#include "torrent/load.h"
#include "verify/content_layout.h"
#include "verify/content_presence.h"

namespace fields {

// What the file manager's columns and search show of one torrent: the values alone, small enough
// to keep for a few files after the torrent itself is gone. Texts are UTF-8; an empty text is an
// absent value.
struct TorrentFacts {
    std::string name;
    std::int64_t totalSize = 0;  // bytes, pad files left out
    std::int64_t files = 0;
    std::int64_t pieceSize = 0;
    std::int64_t pieces = 0;
    std::string version;  // "v1", "v2" or "hybrid"
    std::string infoHashV1;
    std::string infoHashV2;
    bool isPrivate = false;
    std::string tracker;      // announce, else the first of the first tier
    std::string trackerHost;  // its host, lower case, without a port
    std::int64_t trackers = 0;
    std::int64_t webSeeds = 0;
    std::string createdBy;
    std::optional<std::int64_t> creationDate;  // seconds since 1970, UTC
    bool creationDateInMilliseconds = false;   // as the torrent stored it
    std::string comment;
    std::string source;
    std::string magnet;
    std::string magnetWithoutTrackers;  // for a place too small for the whole link
    verify::ContentLayout content;      // beside the torrent; its paths are the file names
    // "File names" as UTF-16, made at the first read: a search reads it in many small blocks.
    struct NamesText {
        std::once_flag made;
        std::u16string text;
    };
    std::shared_ptr<NamesText> names = std::make_shared<NamesText>();
};

TorrentFacts FactsOf(const torrent::LoadedTorrent& torrent, const std::filesystem::path& path);

// One field's value: nothing when absent, a number (bytes, seconds since 1970 for the date), a
// flag or a text (UTF-8). "File names" and "Content on disk" are not here: see FileNamesText and
// verify::ContentPresence.
using FieldValue = std::variant<std::monostate, std::int64_t, bool, std::string>;
FieldValue ValueOf(const TorrentFacts& facts, Field field);

// "complete", "incomplete" or "missing": the choice of "Content on disk".
std::string_view PresenceWord(verify::Presence presence);

// A tracker address's host, lower case, without brackets or port: "udp://T.example:80/a" gives
// "t.example"; empty when the address names none.
std::string TrackerHost(std::string_view address);

// "File names": each file's path below the torrent's root, "\\" between elements, one per line
// (CRLF), in the tree's order, as UTF-16. Made once per record, by whichever thread asks first.
const std::u16string& FileNamesText(const TorrentFacts& facts);

// "1970-01-01T00:00:00Z".
std::string IsoDate(std::int64_t secondsSince1970);

// A size in the unit of that index (bytes, kbytes, Mbytes, Gbytes), rounded to the nearest.
std::int64_t SizeInUnit(std::int64_t bytes, int unit);

// Every field as one JSON object keyed by the field names, for `marrowpeek fields --json`:
// numbers in bytes, the date as IsoDate gives it, null for an absent value, "File names" as
// an array of paths with "/" between elements.
std::string FactsJson(const TorrentFacts& facts, std::string_view contentOnDisk);

// The same as lines "Name: value" for a person; the file names one to a line below.
std::string FactsText(const TorrentFacts& facts, std::string_view contentOnDisk);

}  // namespace fields
