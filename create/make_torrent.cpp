#include "create/make_torrent.h"

#include "platform/digest.h"
#include "platform/hex.h"
#include "torrent/merkle.h"

namespace create {
namespace {

// Version 1 pieces of the stream; a hybrid's files each start a piece.
std::int64_t PieceCount(const FileSet& set, Version version, std::int64_t pieceLength) {
    std::int64_t pieces = 0;
    std::int64_t total = 0;
    for (const SourceFile& file : set.files) {
        pieces += torrent::PiecesOf(file.size, pieceLength);
        total += file.size;
    }
    return version == Version::V1 ? torrent::PiecesOf(total, pieceLength) : pieces;
}

}  // namespace

std::int64_t AutoPieceLength(std::int64_t totalBytes) {
    constexpr std::int64_t kMostPieces = 2000;
    constexpr std::int64_t kLargest = 16 * 1024 * 1024;
    std::int64_t length = kMinPieceLength;
    while (length < kLargest && length * kMostPieces < totalBytes) {
        length *= 2;
    }
    return length;
}

bool IsValidPieceLength(std::int64_t pieceLength) {
    return pieceLength >= kMinPieceLength && pieceLength <= kMaxPieceLength &&
           (pieceLength & (pieceLength - 1)) == 0;
}

bool MakeTorrent(const CreateRequest& request, const std::atomic<bool>& stop,
                 const std::function<void(const HashProgress&)>& progress, Created& created,
                 std::string& whyNot) {
    if (request.pieceLength != 0 && !IsValidPieceLength(request.pieceLength)) {
        whyNot = "the piece size must be a power of two from 16 KiB to 256 MiB";
        return false;
    }
    FileSet set;
    if (!SelectFiles(request.inputs, request.name, request.select, set, whyNot)) {
        return false;
    }
    // Sizes summed with room to spare: no real content comes near 2^62 bytes.
    std::int64_t total = 0;
    for (const SourceFile& file : set.files) {
        if (file.size < 0 || file.size > (std::int64_t{1} << 62) - total) {
            whyNot = "the files are larger than any torrent can hold";
            return false;
        }
        total += file.size;
    }
    const std::int64_t pieceLength =
        request.pieceLength != 0 ? request.pieceLength : AutoPieceLength(total);
    const std::int64_t pieces = PieceCount(set, request.version, pieceLength);
    if (pieces > kMaxPieces) {
        std::int64_t fits = pieceLength;
        while (fits < kMaxPieceLength && PieceCount(set, request.version, fits) > kMaxPieces) {
            fits *= 2;
        }
        whyNot = std::to_string(pieces) + " pieces of " + std::to_string(pieceLength) +
                 " bytes are more than clients load (" + std::to_string(kMaxPieces) +
                 "); a piece size of " + std::to_string(fits) + " bytes would fit";
        return false;
    }
    PieceHashes hashes;
    if (!HashPieces(set, request.version, pieceLength, request.threads, stop, progress, hashes,
                    whyNot)) {
        return false;
    }
    const std::string info =
        InfoDictionary(set, request.version, pieceLength, hashes, request.description);
    created.bytes = Metainfo(info, set, hashes, request.description);
    if (request.version != Version::V2) {
        created.infoHashV1 = platform::LowerHex(
            platform::ComputeDigest(L"SHA1", info.data(), static_cast<std::uint32_t>(info.size())));
    }
    if (request.version != Version::V1) {
        created.infoHashV2 = platform::LowerHex(platform::ComputeDigest(
            L"SHA256", info.data(), static_cast<std::uint32_t>(info.size())));
    }
    created.pieceLength = pieceLength;
    created.pieceCount = pieces;
    created.files = static_cast<std::int64_t>(set.files.size());
    created.totalBytes = total;
    created.skipped = std::move(set.skipped);
    return true;
}

}  // namespace create
