#include "verify/content_check.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/content_file.h"
#include "platform/text.h"
#include "platform/worker_threads.h"
#include "torrent/merkle.h"

namespace verify {
namespace {

constexpr std::size_t kChunk = 4u << 20;       // one read, and what a thread holds
constexpr std::int64_t kUnitBytes = 8u << 20;  // pieces a thread takes at once
constexpr std::int64_t kBlock = torrent::kBlockBytes;

// One file's state as the check goes: known before it starts, but for a read that fails. Kept
// small, for a torrent may list a million files: the path is made again when it is opened.
struct FileState {
    FileStatus status = FileStatus::Missing;
    bool present = false;  // a regular file of the right size, opened once already
    bool byLayer = false;  // version 2: its piece layer hashes to its root
    std::atomic<bool> readFailed{false};
    // Version 2: its pieces are [firstPiece, firstPiece + FilePieces(...)) of the result's.
    std::int64_t firstPiece = 0;
};

// Version 2: a file's pieces, by its layer, or one for a file checked against its root alone;
// none for padding, a link, or a file a stopped check never looked at.
std::int64_t FilePieces(const CheckPlan& plan, const PlannedFile& file, const FileState& state) {
    if (!plan.v2 || file.size <= 0 || !file.content() || state.status == FileStatus::Unchecked) {
        return 0;
    }
    return state.byLayer ? torrent::PiecesOf(file.size, plan.pieceLength) : 1;
}

std::filesystem::path FilePath(const CheckPlan& plan, const std::filesystem::path& root,
                               std::size_t file) {
    return plan.singleFile ? root : root / platform::PathFromUtf8(PathOf(plan, plan.files[file]));
}

// A run of pieces one thread checks: of the whole stream (version 1), or of one file.
struct Unit {
    std::size_t file = 0;  // version 2
    std::int64_t first = 0;
    std::int64_t end = 0;
};

// What every worker shares.
struct Shared {
    const CheckPlan& plan;
    const std::filesystem::path& root;
    std::vector<FileState> files;
    std::vector<Unit> units;
    std::atomic<std::size_t> nextUnit{0};
    // Each written by the one thread that checks it, and read while the check runs for progress.
    std::unique_ptr<std::atomic<PieceState>[]> pieces;
    std::size_t pieceCount = 0;
    std::atomic<std::int64_t> bytesDone{0};
    const std::atomic<bool>& cancel;
    const FileScope& scope;
    std::int64_t pieceBase = 0;  // version 1: the stream's piece at pieces[0]
    std::atomic<bool> tapFailed{false};

    bool Stopping() const { return cancel || tapFailed; }
};

// Reads one thread's files, opening each once while it works on it.
class Reader {
  public:
    explicit Reader(Shared& shared) : shared_(shared) {}

    // Exactly `length` bytes of a present file at `offset`; false (and the file marked
    // unreadable) when they cannot be had.
    bool Read(std::size_t index, std::int64_t offset, unsigned char* data, std::size_t length) {
        FileState& file = shared_.files[index];
        if (file.readFailed || shared_.Stopping()) {
            return false;
        }
        if (open_ != index) {
            handle_ = std::make_unique<platform::ContentFile>();
            open_ = index;
            // It may have changed since it was first looked at: then it is read no more.
            if (handle_->Open(FilePath(shared_.plan, shared_.root, index)) !=
                    platform::ContentFile::Opened::Ok ||
                static_cast<std::int64_t>(handle_->size()) != shared_.plan.files[index].size) {
                file.readFailed = true;
                return false;
            }
        }
        if (!handle_->ReadAt(static_cast<std::uint64_t>(offset), data, length)) {
            file.readFailed = true;
            return false;
        }
        if (index == shared_.scope.file && shared_.scope.tap &&
            !shared_.scope.tap(offset, data, length)) {
            shared_.tapFailed = true;
            return false;
        }
        return true;
    }

  private:
    Shared& shared_;
    std::size_t open_ = static_cast<std::size_t>(-1);
    std::unique_ptr<platform::ContentFile> handle_;
};

// Version 1: the pieces of [first, end) of the stream, each over every file it touches.
void CheckStreamPieces(Shared& shared, const Unit& unit, Reader& reader, platform::Hasher& sha1,
                       std::vector<unsigned char>& buffer) {
    const CheckPlan& plan = shared.plan;
    const std::int64_t total =
        plan.files.empty() ? 0 : plan.files.back().offset + plan.files.back().size;
    // The first file that holds a byte of the first piece.
    auto file = static_cast<std::size_t>(
        std::upper_bound(
            plan.files.begin(), plan.files.end(), unit.first * plan.pieceLength,
            [](std::int64_t at, const PlannedFile& f) { return at < f.offset + f.size; }) -
        plan.files.begin());
    for (std::int64_t piece = unit.first; piece < unit.end && !shared.Stopping(); ++piece) {
        const std::int64_t start = piece * plan.pieceLength;
        const std::int64_t stop = std::min(total, start + plan.pieceLength);
        while (file < plan.files.size() &&
               plan.files[file].offset + plan.files[file].size <= start) {
            ++file;
        }
        if (shared.scope.verified != nullptr && !shared.scope.tap &&
            static_cast<std::size_t>(piece) < shared.scope.verified->size() &&
            (*shared.scope.verified)[static_cast<std::size_t>(piece)]) {
            shared.bytesDone += stop - start;
            shared.pieces[static_cast<std::size_t>(piece - shared.pieceBase)].store(
                PieceState::Good, std::memory_order_relaxed);
            continue;
        }
        bool readable = true;
        for (std::size_t f = file; f < plan.files.size() && plan.files[f].offset < stop; ++f) {
            readable = readable && (!plan.files[f].content() || plan.files[f].size == 0 ||
                                    (shared.files[f].present && !shared.files[f].readFailed));
        }
        PieceState state = PieceState::Missing;
        if (readable) {
            bool read = true;
            for (std::size_t f = file; read && f < plan.files.size() && plan.files[f].offset < stop;
                 ++f) {
                const PlannedFile& planned = plan.files[f];
                std::int64_t at = std::max(start, planned.offset);
                const std::int64_t until = std::min(stop, planned.offset + planned.size);
                for (; read && at < until; at += static_cast<std::int64_t>(kChunk)) {
                    const auto length =
                        static_cast<std::size_t>(std::min<std::int64_t>(until - at, kChunk));
                    if (!planned.content()) {
                        std::memset(buffer.data(), 0, length);  // padding is zeros, never read
                    } else {
                        read = reader.Read(f, at - planned.offset, buffer.data(), length);
                    }
                    read = read && sha1.Update(buffer.data(), length);
                    shared.bytesDone += static_cast<std::int64_t>(length);
                }
            }
            unsigned char digest[20];
            const bool hashed = sha1.Finish(digest);
            if (shared.Stopping()) {
                return;  // a piece not read to its end is not bad, only unchecked
            }
            state = read && hashed && std::memcmp(digest, plan.pieces.data() + piece * 20, 20) == 0
                        ? PieceState::Good
                        : PieceState::Bad;
        } else {
            shared.bytesDone += stop - start;
        }
        shared.pieces[static_cast<std::size_t>(piece - shared.pieceBase)].store(
            state, std::memory_order_relaxed);
    }
}

// Version 2: pieces of one file, each a subtree of 16 KiB blocks checked against its piece
// layer entry; or the whole file against its root, as one piece.
void CheckFilePieces(Shared& shared, const Unit& unit, Reader& reader, platform::Hasher& sha256,
                     std::vector<unsigned char>& buffer) {
    const CheckPlan& plan = shared.plan;
    const PlannedFile& planned = plan.files[unit.file];
    FileState& state = shared.files[unit.file];
    const std::int64_t span = state.byLayer ? plan.pieceLength : planned.size;
    const auto width = state.byLayer ? static_cast<std::uint64_t>(plan.pieceLength / kBlock)
                                     : torrent::PowerOfTwoAtLeast(static_cast<std::uint64_t>(
                                           torrent::PiecesOf(planned.size, kBlock)));
    for (std::int64_t piece = unit.first; piece < unit.end && !shared.Stopping(); ++piece) {
        const std::int64_t start = piece * span;
        const std::int64_t stop = std::min(planned.size, start + span);
        torrent::MerkleTree tree(sha256);
        bool read = state.present;
        for (std::int64_t at = start; read && at < stop; at += static_cast<std::int64_t>(kChunk)) {
            const auto length = static_cast<std::size_t>(std::min<std::int64_t>(stop - at, kChunk));
            read = reader.Read(unit.file, at, buffer.data(), length);
            for (std::size_t block = 0; read && block < length; block += kBlock) {
                torrent::Hash256 leaf{};
                read = sha256.Digest(buffer.data() + block,
                                     std::min<std::size_t>(kBlock, length - block), leaf.data());
                tree.Add(leaf);
            }
            shared.bytesDone += static_cast<std::int64_t>(length);
        }
        if (shared.Stopping()) {
            return;  // a piece not read to its end is not bad, only unchecked
        }
        PieceState result = PieceState::Missing;
        if (state.present) {
            const std::optional<torrent::Hash256> root = read ? tree.Root(width) : std::nullopt;
            const char* expected =
                state.byLayer ? plan.layers[planned.layer].data() + piece * 32 : planned.root;
            result = root && std::memcmp(root->data(), expected, 32) == 0 ? PieceState::Good
                                                                          : PieceState::Bad;
        } else {
            shared.bytesDone += stop - start;
        }
        shared.pieces[static_cast<std::size_t>(state.firstPiece + piece)].store(
            result, std::memory_order_relaxed);
    }
}

// The pieces so far in kProgressMapLetters letters at most, each the worst of its group.
std::string ProgressMap(const Shared& shared) {
    constexpr int kRank[] = {0, 1, 3, 2};  // unchecked, good, missing, bad
    const std::size_t count = shared.pieceCount;
    const std::size_t letters = std::min(count, kProgressMapLetters);
    std::string map(letters, 'U');
    for (std::size_t letter = 0; letter < letters; ++letter) {
        int worst = 0;
        for (std::size_t piece = letter * count / letters; piece < (letter + 1) * count / letters;
             ++piece) {
            const auto state =
                static_cast<int>(shared.pieces[piece].load(std::memory_order_relaxed));
            worst = kRank[state] > kRank[worst] ? state : worst;
        }
        map[letter] = PieceLetter(static_cast<PieceState>(worst));
    }
    return map;
}

void Work(Shared& shared) {
    platform::ReadInBackground();
    Reader reader(shared);
    platform::Hasher hasher(shared.plan.v2 ? platform::DigestKind::Sha256
                                           : platform::DigestKind::Sha1);
    std::vector<unsigned char> buffer(kChunk);
    for (std::size_t next = shared.nextUnit++; next < shared.units.size() && !shared.Stopping();
         next = shared.nextUnit++) {
        if (shared.plan.v2) {
            CheckFilePieces(shared, shared.units[next], reader, hasher, buffer);
        } else {
            CheckStreamPieces(shared, shared.units[next], reader, hasher, buffer);
        }
    }
}

// Whether a file's piece layer is whole and hashes to its root.
bool LayerHolds(const CheckPlan& plan, const PlannedFile& file, platform::Hasher& sha256) {
    const std::int64_t pieces = torrent::PiecesOf(file.size, plan.pieceLength);
    const std::string_view layer =
        file.layer == kNoLayer ? std::string_view() : plan.layers[file.layer];
    if (pieces <= 1 || static_cast<std::int64_t>(layer.size()) != pieces * 32) {
        return false;
    }
    const auto root = torrent::LayerRoot(layer, plan.pieceLength, sha256);
    return root && std::memcmp(root->data(), file.root, 32) == 0;
}

// Version 1 pieces span files: a piece that fails where one file ends and the next begins says
// only that one of them is damaged. A file whose every failing piece is such a piece, shared with
// a neighbour that is itself damaged (missing, of the wrong size, unreadable, or with a failing
// piece of its own), is not blamed: it is "shared", naming that neighbour.
void BlameSharedPieces(const CheckPlan& plan, const std::vector<PieceState>& pieces,
                       std::vector<FileCheck>& files) {
    if (plan.files.empty()) {
        return;
    }
    const auto failed = [&](std::int64_t piece) {
        return pieces[static_cast<std::size_t>(piece)] == PieceState::Bad ||
               pieces[static_cast<std::size_t>(piece)] == PieceState::Missing;
    };
    const auto span = [&](const PlannedFile& file) {
        return std::make_pair(file.offset / plan.pieceLength,
                              (file.offset + file.size - 1) / plan.pieceLength);
    };
    // A failing piece that lies wholly within the file is its own (the last piece ends with the
    // stream).
    const std::int64_t total = plan.files.back().offset + plan.files.back().size;
    const auto ownFailure = [&](const PlannedFile& file) {
        const auto [first, last] = span(file);
        for (std::int64_t piece = first; piece <= last; ++piece) {
            const bool within =
                piece * plan.pieceLength >= file.offset &&
                std::min(total, (piece + 1) * plan.pieceLength) <= file.offset + file.size;
            if (within && failed(piece)) {
                return true;
            }
        }
        return false;
    };
    // Each file's own damage, decided once: the neighbours' statuses are read many times.
    std::vector<bool> damaged(plan.files.size());
    for (const FileCheck& check : files) {
        const FileStatus status = check.status;
        damaged[check.file] = status == FileStatus::Missing || status == FileStatus::WrongSize ||
                              status == FileStatus::Unreadable || status == FileStatus::Unsafe ||
                              (status == FileStatus::Partial && ownFailure(plan.files[check.file]));
    }
    // The damaged neighbour holding a byte of `piece`, other than `self`; kNoFile when none.
    const auto damagedNeighbour = [&](std::size_t self, std::int64_t piece) {
        const std::int64_t start = piece * plan.pieceLength;
        const std::int64_t stop = start + plan.pieceLength;
        for (std::size_t j = self; j-- > 0 && plan.files[j].offset + plan.files[j].size > start;) {
            if (plan.files[j].size > 0 && damaged[j]) {
                return static_cast<std::uint32_t>(j);
            }
        }
        for (std::size_t j = self + 1; j < plan.files.size() && plan.files[j].offset < stop; ++j) {
            if (plan.files[j].size > 0 && damaged[j]) {
                return static_cast<std::uint32_t>(j);
            }
        }
        return kNoFile;
    };
    std::vector<std::pair<std::size_t, std::uint32_t>> blamed;  // decided on the first statuses
    for (std::size_t c = 0; c < files.size(); ++c) {
        const PlannedFile& file = plan.files[files[c].file];
        if (files[c].status != FileStatus::Partial || damaged[files[c].file]) {
            continue;
        }
        const auto [first, last] = span(file);
        std::uint32_t neighbour = kNoFile;
        bool all = true;
        for (const std::int64_t piece : {first, last}) {
            if (failed(piece)) {
                const std::uint32_t found = damagedNeighbour(files[c].file, piece);
                all = all && found != kNoFile;
                neighbour = neighbour == kNoFile ? found : neighbour;
            }
        }
        if (all && neighbour != kNoFile) {
            blamed.emplace_back(c, neighbour);
        }
    }
    for (const auto& [c, neighbour] : blamed) {
        files[c].status = FileStatus::Shared;
        files[c].sharedWith = neighbour;
    }
}

// Runs of pieces [begin, end) of about kUnitBytes each, at least one piece.
void AddUnits(std::vector<Unit>& units, std::size_t file, std::int64_t begin, std::int64_t end,
              std::int64_t span) {
    const std::int64_t perUnit =
        std::max<std::int64_t>(1, kUnitBytes / std::max<std::int64_t>(span, 1));
    for (std::int64_t first = begin; first < end; first += perUnit) {
        units.push_back({file, first, std::min(end, first + perUnit)});
    }
}

// The files a check looks at, [begin, end) of the plan's, and for version 1 its pieces of the
// stream: everything, or what a scope's file shares a piece with.
struct Extent {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::int64_t firstPiece = 0;
    std::int64_t endPiece = 0;
};

Extent ExtentOf(const CheckPlan& plan, const FileScope& scope) {
    if (scope.file == kNoFile) {
        return {0, plan.files.size(), 0, plan.v2 ? 0 : plan.pieceCount};
    }
    if (scope.file >= plan.files.size()) {
        return {};
    }
    const PlannedFile& file = plan.files[scope.file];
    if (plan.v2 || file.size == 0) {
        return {scope.file, scope.file + 1, 0, 0};
    }
    const std::int64_t firstPiece = file.offset / plan.pieceLength;
    const std::int64_t endPiece = (file.offset + file.size - 1) / plan.pieceLength + 1;
    const auto first = std::partition_point(
        plan.files.begin(), plan.files.end(),
        [&](const PlannedFile& f) { return f.offset + f.size <= firstPiece * plan.pieceLength; });
    const auto last = std::partition_point(first, plan.files.end(), [&](const PlannedFile& f) {
        return f.offset < endPiece * plan.pieceLength;
    });
    return {static_cast<std::size_t>(first - plan.files.begin()),
            static_cast<std::size_t>(last - plan.files.begin()), firstPiece, endPiece};
}

}  // namespace

char PieceLetter(PieceState state) {
    return "UGBM"[static_cast<int>(state)];
}

std::string_view StatusWord(FileStatus status) {
    switch (status) {
        case FileStatus::Missing:
            return "missing";
        case FileStatus::WrongSize:
            return "wrong-size";
        case FileStatus::Unreadable:
            return "unreadable";
        case FileStatus::Unsafe:
            return "unsafe";
        case FileStatus::Partial:
            return "partial";
        case FileStatus::Unchecked:
            return "unchecked";
        case FileStatus::Shared:
            return "shared";
        case FileStatus::Complete:
            break;
    }
    return "complete";
}

CheckResult CheckContent(const CheckPlan& plan, const std::filesystem::path& root,
                         const std::atomic<bool>& cancel,
                         const std::function<void(const CheckProgress&)>& progress,
                         unsigned threads, const FileScope& scope) {
    Shared shared{plan,   root, std::vector<FileState>(plan.files.size()), {}, {}, {}, {}, {},
                  cancel, scope};
    const Extent extent = ExtentOf(plan, scope);
    shared.pieceBase = extent.firstPiece;
    CheckResult result;
    result.content = root;
    platform::Hasher sha256(platform::DigestKind::Sha256);
    std::int64_t pieceTotal = extent.endPiece - extent.firstPiece;
    std::int64_t bytesTotal = 0;
    std::int64_t bytesMissing = 0;
    // A folder that is not there holds none of its files: they need not be looked for one by one.
    std::error_code error;
    const bool rootThere = plan.singleFile || std::filesystem::is_directory(root, error);
    // Each file looked at once, on this thread: what is there, and how it is checked.
    for (std::size_t i = extent.begin; i < extent.end; ++i) {
        const PlannedFile& planned = plan.files[i];
        FileState& state = shared.files[i];
        bytesTotal += planned.size;
        if (!planned.content()) {
            continue;
        }
        result.totalBytes += planned.size;
        if (cancel) {
            state.status = FileStatus::Unchecked;
            continue;
        }
        state.status = !planned.safe ? FileStatus::Unsafe : FileStatus::Missing;
        if (planned.safe && rootThere) {
            platform::ContentFile file;
            const platform::ContentFile::Opened opened = file.Open(FilePath(plan, root, i));
            state.status =
                opened == platform::ContentFile::Opened::NotAFile        ? FileStatus::Missing
                : opened == platform::ContentFile::Opened::Unreadable    ? FileStatus::Unreadable
                : static_cast<std::int64_t>(file.size()) != planned.size ? FileStatus::WrongSize
                                                                         : FileStatus::Complete;
        }
        state.present = state.status == FileStatus::Complete;
        if (plan.v2 && planned.size > 0) {
            state.byLayer = LayerHolds(plan, planned, sha256);
            const std::int64_t pieces = FilePieces(plan, planned, state);
            state.firstPiece = pieceTotal;
            pieceTotal += pieces;
            // Only what is there is read; the rest is missing as it stands.
            if (state.present) {
                AddUnits(shared.units, i, 0, pieces,
                         state.byLayer ? plan.pieceLength : planned.size);
            } else {
                bytesMissing += planned.size;
            }
        }
    }
    if (!plan.v2) {
        AddUnits(shared.units, 0, extent.firstPiece, extent.endPiece, plan.pieceLength);
        // The bytes of the pieces read, neighbours' included.
        const std::int64_t streamEnd =
            plan.files.empty() ? 0 : plan.files.back().offset + plan.files.back().size;
        bytesTotal = std::min(streamEnd, extent.endPiece * plan.pieceLength) -
                     extent.firstPiece * plan.pieceLength;
    }
    shared.pieceCount = static_cast<std::size_t>(pieceTotal);
    shared.pieces = std::make_unique<std::atomic<PieceState>[]>(shared.pieceCount);
    for (std::size_t piece = 0; piece < shared.pieceCount; ++piece) {
        shared.pieces[piece].store(PieceState::Unchecked, std::memory_order_relaxed);
    }
    for (std::size_t i = extent.begin; i < extent.end; ++i) {
        const FileState& state = shared.files[i];
        const std::int64_t pieces = FilePieces(plan, plan.files[i], state);
        if (plan.v2 && !state.present && state.status != FileStatus::Unchecked) {
            for (std::int64_t piece = 0; piece < pieces; ++piece) {
                shared.pieces[static_cast<std::size_t>(state.firstPiece + piece)].store(
                    PieceState::Missing, std::memory_order_relaxed);
            }
        }
    }
    shared.bytesDone = bytesMissing;

    // Each thread holds one read: sixteen keep 64 MiB in flight at most, however many cores.
    constexpr unsigned kMaxThreads = 16;
    const unsigned count = std::min(
        std::clamp(threads != 0 ? threads : std::thread::hardware_concurrency(), 1u, kMaxThreads),
        static_cast<unsigned>(std::min<std::size_t>(shared.units.size(), kMaxThreads)));
    platform::RunOnThreads(
        count, [&] { Work(shared); },
        [&] {
            if (progress) {
                progress({shared.bytesDone.load(), bytesTotal, ProgressMap(shared)});
            }
        });
    result.cancelled = shared.Stopping();
    std::vector<PieceState> pieces(shared.pieceCount);
    for (std::size_t piece = 0; piece < shared.pieceCount; ++piece) {
        pieces[piece] = shared.pieces[piece].load(std::memory_order_relaxed);
    }

    // Each file's pieces and what became of it; version 1 counts only the pieces looked at.
    const auto firstOf = [&](const PlannedFile& planned, const FileState& state) {
        return plan.v2 ? state.firstPiece
                       : std::max(extent.firstPiece, planned.offset / plan.pieceLength) -
                             extent.firstPiece;
    };
    const auto goodIn = [&](std::int64_t first, std::int64_t end) {
        return std::count(pieces.begin() + first, pieces.begin() + end, PieceState::Good);
    };
    result.complete = !result.cancelled;
    result.files.reserve(extent.end - extent.begin);
    for (std::size_t i = extent.begin; i < extent.end; ++i) {
        const PlannedFile& planned = plan.files[i];
        const FileState& state = shared.files[i];
        if (!planned.content()) {
            continue;
        }
        FileCheck check{static_cast<std::uint32_t>(i), state.status};
        const std::int64_t first = firstOf(planned, state);
        if (plan.v2) {
            check.pieces = FilePieces(plan, planned, state);
        } else if (planned.size > 0) {
            const std::int64_t last =
                std::min(extent.endPiece - 1,
                         (planned.offset + planned.size - 1) / plan.pieceLength) -
                extent.firstPiece;
            check.pieces = last - first + 1;
        }
        // An empty file has no pieces, and its place may lie past those looked at.
        check.goodPieces = check.pieces > 0 ? goodIn(first, first + check.pieces) : 0;
        if (state.present && state.readFailed) {
            check.status = FileStatus::Unreadable;
        } else if (state.present && check.goodPieces < check.pieces) {
            // Pieces a stopped check did not reach are not bad: such a file is unchecked.
            const bool bad =
                std::any_of(pieces.begin() + first, pieces.begin() + first + check.pieces,
                            [](PieceState piece) {
                                return piece == PieceState::Bad || piece == PieceState::Missing;
                            });
            check.status = bad ? FileStatus::Partial : FileStatus::Unchecked;
        }
        result.complete = result.complete && check.status == FileStatus::Complete;
        result.files.push_back(check);
    }
    // A scoped check blames nobody: its file either verifies whole or does not.
    if (!plan.v2 && scope.file == kNoFile) {
        BlameSharedPieces(plan, pieces, result.files);
    }
    // The bytes of content in pieces that verified.
    if (plan.v2) {
        for (const FileCheck& check : result.files) {
            const FileState& state = shared.files[check.file];
            const std::int64_t span =
                state.byLayer ? plan.pieceLength : plan.files[check.file].size;
            for (std::int64_t piece = 0; piece < check.pieces; ++piece) {
                if (pieces[static_cast<std::size_t>(state.firstPiece + piece)] ==
                    PieceState::Good) {
                    result.checkedBytes +=
                        std::min(span, plan.files[check.file].size - piece * span);
                }
            }
        }
    } else {
        for (std::size_t i = extent.begin; i < extent.end; ++i) {
            const PlannedFile& planned = plan.files[i];
            for (std::int64_t at = planned.offset;
                 planned.content() && at < planned.offset + planned.size;) {
                const std::int64_t piece = at / plan.pieceLength;
                const std::int64_t until =
                    std::min(planned.offset + planned.size, (piece + 1) * plan.pieceLength);
                if (piece >= extent.firstPiece && piece < extent.endPiece &&
                    pieces[static_cast<std::size_t>(piece - extent.firstPiece)] ==
                        PieceState::Good) {
                    result.checkedBytes += until - at;
                }
                at = until;
            }
        }
    }
    result.goodPieces = std::count(pieces.begin(), pieces.end(), PieceState::Good);
    result.pieces = std::move(pieces);
    if (progress) {
        progress({shared.bytesDone.load(), bytesTotal, {}});
    }
    return result;
}

}  // namespace verify
