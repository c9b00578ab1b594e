#include "create/hash_pieces.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/content_file.h"
#include "platform/folder_entries.h"
#include "platform/hasher.h"
#include "platform/text.h"
#include "platform/worker_threads.h"
#include "torrent/merkle.h"

namespace create {
namespace {

constexpr std::size_t kChunk = 4u << 20;       // one read, and what a thread holds
constexpr std::int64_t kUnitBytes = 8u << 20;  // pieces a thread takes at once
constexpr std::int64_t kBlock = torrent::kBlockBytes;
constexpr unsigned kMaxThreads = 16;  // sixteen reads of 4 MiB: 64 MiB in flight at most

// A run of pieces one thread hashes: of the whole stream (version 1), or of one file.
struct Unit {
    std::size_t file = 0;
    std::int64_t first = 0;
    std::int64_t end = 0;
};

struct Shared {
    const FileSet& set;
    Version version;
    std::int64_t pieceLength;
    std::vector<std::int64_t> offsets;      // version 1: where each file starts in the stream
    std::vector<std::int64_t> firstPieces;  // hybrid: each file's first version 1 piece
    std::vector<Unit> units;
    std::atomic<std::size_t> nextUnit{0};
    std::atomic<std::int64_t> bytesDone{0};
    std::atomic<bool> failed{false};
    const std::atomic<bool>& stop;
    std::mutex errorMutex;
    std::string error;
    PieceHashes& hashes;

    bool Halted() const { return stop || failed; }
    void Fail(std::string why) {
        std::lock_guard lock(errorMutex);
        if (error.empty()) {
            error = std::move(why);
        }
        failed = true;
    }
};

// Reads one thread's files, opening each once while it works on it.
class Reader {
  public:
    explicit Reader(Shared& shared) : shared_(shared) {}

    bool Read(std::size_t index, std::int64_t offset, unsigned char* data, std::size_t length) {
        const SourceFile& file = shared_.set.files[index];
        if (open_ != index) {
            handle_ = std::make_unique<platform::ContentFile>();
            open_ = index;
            if (handle_->Open(file.disk) != platform::ContentFile::Opened::Ok) {
                shared_.Fail(platform::PathToUtf8(file.disk) + " cannot be read");
                return false;
            }
            if (static_cast<std::int64_t>(handle_->size()) != file.size) {
                shared_.Fail(platform::PathToUtf8(file.disk) + " changed while it was hashed");
                return false;
            }
        }
        if (!handle_->ReadAt(static_cast<std::uint64_t>(offset), data, length)) {
            shared_.Fail(platform::PathToUtf8(file.disk) + " changed while it was hashed");
            return false;
        }
        shared_.bytesDone += static_cast<std::int64_t>(length);
        return true;
    }

  private:
    Shared& shared_;
    std::size_t open_ = static_cast<std::size_t>(-1);
    std::unique_ptr<platform::ContentFile> handle_;
};

// Version 1 alone: pieces of the stream, each over every file it touches.
void HashStream(Shared& shared, const Unit& unit, Reader& reader, platform::Hasher& sha1,
                std::vector<unsigned char>& buffer) {
    const auto& files = shared.set.files;
    const std::int64_t total = shared.offsets.back();
    const std::int64_t L = shared.pieceLength;
    auto file = static_cast<std::size_t>(
        std::upper_bound(shared.offsets.begin(), shared.offsets.end() - 1, unit.first * L) -
        shared.offsets.begin() - 1);
    for (std::int64_t piece = unit.first; piece < unit.end && !shared.Halted(); ++piece) {
        const std::int64_t start = piece * L;
        const std::int64_t stop = std::min(total, start + L);
        while (shared.offsets[file + 1] <= start) {
            ++file;
        }
        for (std::size_t f = file; f < files.size() && shared.offsets[f] < stop; ++f) {
            std::int64_t at = std::max(start, shared.offsets[f]);
            const std::int64_t until = std::min(stop, shared.offsets[f + 1]);
            for (; at < until && !shared.Halted(); at += static_cast<std::int64_t>(kChunk)) {
                const auto length = static_cast<std::size_t>(
                    std::min<std::int64_t>(until - at, static_cast<std::int64_t>(kChunk)));
                if (!reader.Read(f, at - shared.offsets[f], buffer.data(), length) ||
                    !sha1.Update(buffer.data(), length)) {
                    shared.Fail("the system could not hash");
                    return;
                }
            }
        }
        unsigned char digest[20];
        if (!sha1.Finish(digest)) {
            shared.Fail("the system could not hash");
            return;
        }
        std::memcpy(shared.hashes.v1.data() + piece * 20, digest, 20);
    }
}

// Version 2 and hybrid: pieces of one file. Each piece's 16 KiB blocks are its merkle leaves;
// a hybrid's piece is also hashed with SHA-1, padded with zeros to a whole piece.
void HashFile(Shared& shared, const Unit& unit, Reader& reader, platform::Hasher& sha256,
              platform::Hasher& sha1, std::vector<unsigned char>& buffer) {
    const SourceFile& file = shared.set.files[unit.file];
    const std::int64_t L = shared.pieceLength;
    const std::int64_t pieces = torrent::PiecesOf(file.size, L);
    const bool hybrid = shared.version == Version::Hybrid;
    for (std::int64_t piece = unit.first; piece < unit.end && !shared.Halted(); ++piece) {
        const std::int64_t start = piece * L;
        const std::int64_t stop = std::min(file.size, start + L);
        torrent::MerkleTree tree(sha256);
        for (std::int64_t at = start; at < stop && !shared.Halted();
             at += static_cast<std::int64_t>(kChunk)) {
            const auto length = static_cast<std::size_t>(
                std::min<std::int64_t>(stop - at, static_cast<std::int64_t>(kChunk)));
            if (!reader.Read(unit.file, at, buffer.data(), length)) {
                return;
            }
            for (std::size_t block = 0; block < length; block += kBlock) {
                torrent::Hash256 leaf{};
                if (!sha256.Digest(buffer.data() + block,
                                   std::min<std::size_t>(kBlock, length - block), leaf.data())) {
                    shared.Fail("the system could not hash");
                    return;
                }
                tree.Add(leaf);
            }
            if (hybrid && !sha1.Update(buffer.data(), length)) {
                shared.Fail("the system could not hash");
                return;
            }
        }
        if (shared.Halted()) {
            return;
        }
        // A file of one piece has its own tree as its root; a longer one, a piece of its layer.
        const std::uint64_t width =
            pieces > 1 ? static_cast<std::uint64_t>(L / kBlock)
                       : torrent::PowerOfTwoAtLeast(
                             static_cast<std::uint64_t>(torrent::PiecesOf(file.size, kBlock)));
        const auto root = tree.Root(width);
        if (!root) {
            shared.Fail("the system could not hash");
            return;
        }
        std::string& target =
            pieces > 1 ? shared.hashes.layers[unit.file] : shared.hashes.roots[unit.file];
        std::memcpy(target.data() + (pieces > 1 ? piece * 32 : 0), root->data(), 32);
        if (hybrid) {
            // Padding follows every file of a multi-file hybrid; a single file has none.
            static const std::vector<unsigned char> zeros(kChunk);
            for (std::int64_t pad = shared.set.singleFile ? 0 : L - (stop - start); pad > 0;) {
                const auto length = static_cast<std::size_t>(
                    std::min<std::int64_t>(pad, static_cast<std::int64_t>(kChunk)));
                sha1.Update(zeros.data(), length);
                pad -= static_cast<std::int64_t>(length);
            }
            unsigned char digest[20];
            if (!sha1.Finish(digest)) {
                shared.Fail("the system could not hash");
                return;
            }
            std::memcpy(shared.hashes.v1.data() + (shared.firstPieces[unit.file] + piece) * 20,
                        digest, 20);
        }
    }
}

void Work(Shared& shared) {
    platform::ReadInBackground();
    Reader reader(shared);
    platform::Hasher sha1(platform::DigestKind::Sha1);
    platform::Hasher sha256(platform::DigestKind::Sha256);
    std::vector<unsigned char> buffer(kChunk);
    for (std::size_t next = shared.nextUnit++; next < shared.units.size() && !shared.Halted();
         next = shared.nextUnit++) {
        if (shared.version == Version::V1) {
            HashStream(shared, shared.units[next], reader, sha1, buffer);
        } else {
            HashFile(shared, shared.units[next], reader, sha256, sha1, buffer);
        }
    }
}

// Runs of pieces of about kUnitBytes each, at least one piece.
void AddUnits(std::vector<Unit>& units, std::size_t file, std::int64_t pieces,
              std::int64_t pieceLength) {
    const std::int64_t perUnit = std::max<std::int64_t>(1, kUnitBytes / pieceLength);
    for (std::int64_t first = 0; first < pieces; first += perUnit) {
        units.push_back({file, first, std::min(pieces, first + perUnit)});
    }
}

}  // namespace

bool HashPieces(const FileSet& set, Version version, std::int64_t pieceLength, unsigned threads,
                const std::atomic<bool>& stop,
                const std::function<void(const HashProgress&)>& progress, PieceHashes& hashes,
                std::string& whyNot) {
    Shared shared{set, version, pieceLength, {}, {}, {}, {}, {}, {}, stop, {}, {}, hashes};
    const std::size_t count = set.files.size();
    std::int64_t total = 0;
    std::int64_t v1Pieces = 0;
    shared.offsets.push_back(0);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t size = set.files[i].size;
        total += size;
        shared.offsets.push_back(total);
        shared.firstPieces.push_back(v1Pieces);
        v1Pieces += torrent::PiecesOf(size, pieceLength);
    }
    if (version == Version::V1) {
        v1Pieces = torrent::PiecesOf(total, pieceLength);
        AddUnits(shared.units, 0, v1Pieces, pieceLength);
    } else {
        hashes.roots.assign(count, {});
        hashes.layers.assign(count, {});
        for (std::size_t i = 0; i < count; ++i) {
            const std::int64_t pieces = torrent::PiecesOf(set.files[i].size, pieceLength);
            if (pieces > 0) {
                hashes.roots[i].assign(32, '\0');
            }
            if (pieces > 1) {
                hashes.layers[i].assign(static_cast<std::size_t>(pieces) * 32, '\0');
            }
            AddUnits(shared.units, i, pieces, pieceLength);
        }
    }
    if (version != Version::V2) {
        hashes.v1.assign(static_cast<std::size_t>(v1Pieces) * 20, '\0');
    }

    const unsigned wanted = threads != 0 ? threads : std::thread::hardware_concurrency();
    const auto workers = static_cast<unsigned>(std::clamp<std::size_t>(
        std::min<std::size_t>(wanted, shared.units.size()), 1, kMaxThreads));
    platform::RunOnThreads(
        workers, [&] { Work(shared); },
        [&] {
            if (progress) {
                progress({shared.bytesDone.load(), total});
            }
        });
    if (shared.failed || stop) {
        whyNot = stop && !shared.failed ? "stopped" : shared.error;
        return false;
    }
    // A file that changed after it was read would not match its hashes.
    for (const SourceFile& file : set.files) {
        const auto now = platform::LookAt(file.disk);
        if (!now || static_cast<std::int64_t>(now->size) != file.size ||
            now->modified != file.modified) {
            whyNot = platform::PathToUtf8(file.disk) + " changed while it was hashed";
            return false;
        }
    }
    // Each longer file's root, over its piece layer.
    platform::Hasher sha256(platform::DigestKind::Sha256);
    for (std::size_t i = 0; version != Version::V1 && i < count; ++i) {
        if (hashes.layers[i].empty()) {
            continue;
        }
        const auto root = torrent::LayerRoot(hashes.layers[i], pieceLength, sha256);
        if (!root) {
            whyNot = "the system could not hash";
            return false;
        }
        std::memcpy(hashes.roots[i].data(), root->data(), 32);
    }
    if (progress) {
        progress({shared.bytesDone.load(), total});
    }
    return true;
}

}  // namespace create
