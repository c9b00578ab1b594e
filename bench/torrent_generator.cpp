#include "torrent_generator.h"

#include <random>

namespace generator {
namespace {

void AppendString(std::string& out, const std::string& text) {
    out += std::to_string(text.size());
    out += ':';
    out += text;
}

std::string Header() {
    return "d8:announce35:http://tracker.example.org/announce7:comment15:benchmark input"
           "10:created by10:marrowpeek13:creation datei1700000000e";
}

}  // namespace

std::string SingleFileTorrent(std::size_t pieceCount) {
    std::string out = Header();
    out += "4:infod6:lengthi";
    out += std::to_string(pieceCount * 262144);
    out += "e4:name13:big-image.iso12:piece lengthi262144e6:pieces";
    out += std::to_string(pieceCount * 20);
    out += ':';
    std::mt19937 random(42);
    const std::size_t start = out.size();
    out.resize(start + pieceCount * 20);
    for (std::size_t i = start; i < out.size(); ++i) {
        out[i] = static_cast<char>(random());
    }
    out += "ee";
    return out;
}

std::string MultiFileTorrent(std::size_t fileCount, std::size_t topDirectories,
                             std::size_t subDirectories) {
    std::string out = Header();
    out += "4:infod5:filesl";
    const std::size_t folders = topDirectories * subDirectories;
    std::size_t total = 0;
    for (std::size_t i = 0; i < fileCount; ++i) {
        const std::size_t folder = i % folders;
        const std::size_t length = 1000 + i * 37 % 100000;
        total += length;
        out += "d6:lengthi";
        out += std::to_string(length);
        out += "e4:pathl";
        AppendString(out, "Artist " + std::to_string(folder / subDirectories));
        AppendString(out, "Album " + std::to_string(folder % subDirectories));
        AppendString(out, "Track " + std::to_string(i / folders) + ".flac");
        out += "ee";
    }
    // As many piece hashes as the files need, so that other tools accept the file too.
    constexpr std::size_t kPieceLength = 1048576;
    const std::size_t pieces = (total + kPieceLength - 1) / kPieceLength;
    out += "e4:name10:Collection12:piece lengthi" + std::to_string(kPieceLength) + "e6:pieces";
    out += std::to_string(pieces * 20) + ":" + std::string(pieces * 20, 'p');
    out += "ee";
    return out;
}

}  // namespace generator
