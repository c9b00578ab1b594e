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
    for (std::size_t i = 0; i < fileCount; ++i) {
        const std::size_t folder = i % folders;
        out += "d6:lengthi";
        out += std::to_string(1000 + i * 37 % 100000);
        out += "e4:pathl";
        AppendString(out, "Artist " + std::to_string(folder / subDirectories));
        AppendString(out, "Album " + std::to_string(folder % subDirectories));
        AppendString(out, "Track " + std::to_string(i / folders) + ".flac");
        out += "ee";
    }
    out += "e4:name10:Collection12:piece lengthi1048576e6:pieces20:";
    out += std::string(20, 'p');
    out += "ee";
    return out;
}

}  // namespace generator
