#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "verify/check_plan.h"

namespace verify {

// What became of one file of the content; the words are the tool's and the page's.
enum class FileStatus : std::uint8_t {
    Missing,     // no regular file there: absent, a folder, a device
    WrongSize,   // a regular file of another size than the torrent's
    Unreadable,  // the right size, but opening or reading it failed
    Unsafe,      // a path that would leave the content's folder: never opened
    Partial,     // readable, but some piece holding its bytes does not verify
    Complete,    // every piece holding its bytes verifies (an empty file: it is there)
    Unchecked,   // the check was stopped before it read all of it, and found nothing bad
    Shared,      // version 1: its own pieces verify, but one it shares with a neighbour that is
                 // damaged or missing does not: it cannot be verified, and is not to blame
};
std::string_view StatusWord(FileStatus status);

enum class PieceState : std::uint8_t { Unchecked, Good, Bad, Missing };
// A piece's letter in the messages: U unchecked, G good, B bad, M missing.
char PieceLetter(PieceState state);

inline constexpr std::uint32_t kNoFile = 0xFFFFFFFF;

struct FileCheck {
    std::uint32_t file = 0;  // its place in the plan's files
    FileStatus status = FileStatus::Missing;
    std::uint32_t sharedWith = kNoFile;  // Shared: the damaged neighbour, its place in the plan
    std::int64_t pieces = 0;
    std::int64_t goodPieces = 0;
};

struct CheckResult {
    std::filesystem::path content;
    std::vector<FileCheck> files;  // the content's files, pad files and links left out
    // Version 1: the torrent's pieces. Version 2: each file's pieces after the last one's (a
    // file checked against its root alone counting as one).
    std::vector<PieceState> pieces;
    std::int64_t goodPieces = 0;
    std::int64_t totalBytes = 0;
    std::int64_t checkedBytes = 0;  // bytes of content in pieces that verified
    bool complete = false;
    bool cancelled = false;
};

struct CheckProgress {
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;
    // The pieces so far, a letter a group of them (U unchecked, G good, M missing, B bad), each
    // the worst state in its group: kProgressMapLetters at most, however many pieces.
    std::string pieces;
};
inline constexpr std::size_t kProgressMapLetters = 1024;

// A check of one file alone, as it is copied out: the pieces holding its bytes, which for
// version 1 holds the neighbours' bytes in the pieces it shares, and for version 2 is its own
// tree. Each of its bytes is handed to `tap` once, as read, from any worker thread and in no
// particular order; a false answer (a failed write) ends the check as if it were cancelled.
struct FileScope {
    std::uint32_t file = kNoFile;
    std::function<bool(std::int64_t offset, const unsigned char* data, std::size_t length)> tap;
    // Version 1, without a tap: pieces of the stream that an earlier check found good, which are
    // not read again (files of a few bytes each share a piece by the hundred).
    const std::vector<bool>* verified = nullptr;
};

// Checks the content at `root` against the plan on `threads` worker threads (0: one a core),
// reading each byte at most once in large sequential reads, never a pad byte, at most 4 MiB in
// flight a thread, and writing nothing. `progress` is called on the calling thread about ten
// times a second; `cancel` ends the check within one read, the result then saying so. With a
// scope, only the files sharing a piece with its file are looked at and reported, and only its
// pieces (from the first of them on) are in the result.
CheckResult CheckContent(const CheckPlan& plan, const std::filesystem::path& root,
                         const std::atomic<bool>& cancel,
                         const std::function<void(const CheckProgress&)>& progress = {},
                         unsigned threads = 0, const FileScope& scope = {});

}  // namespace verify
