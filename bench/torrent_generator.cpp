#include "torrent_generator.h"

#include <random>
#include <utility>
#include <vector>

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

std::string ManyTrackersTorrent(std::size_t count) {
    std::string out = "d13:announce-listl";
    for (std::size_t i = 0; i < count; ++i) {
        out += 'l';
        AppendString(out, "udp://t" + std::to_string(i) + ".example:6969/announce");
        out += 'e';
    }
    out += "e4:infod6:lengthi1e4:name1:a12:piece lengthi16384e6:pieces20:";
    return out + std::string(20, 'p') + "ee";
}

namespace {

std::string FilesTorrent(const std::vector<std::pair<std::string, std::string>>& paths) {
    std::string out = "d4:infod5:filesl";
    for (const auto& [folder, name] : paths) {
        out += "d6:lengthi1e4:pathl";
        if (!folder.empty()) {
            AppendString(out, folder);
        }
        AppendString(out, name);
        out += "ee";
    }
    out += "e4:name1:t12:piece lengthi16384e6:pieces20:";
    return out + std::string(20, 'p') + "ee";
}

}  // namespace

std::string LongFolderTorrent(std::size_t folderNameBytes, std::size_t fileCount) {
    // A version 2 file tree names the folder once, however many files it holds.
    std::string out = "d4:infod9:file treed";
    AppendString(out, std::string(folderNameBytes, 'A'));
    out += 'd';
    for (std::size_t i = 0; i < fileCount; ++i) {
        AppendString(out, "File " + std::to_string(100000 + i) + ".bin");
        out += "d0:d6:lengthi1eee";
    }
    return out + "ee12:meta versioni2e4:name1:t12:piece lengthi16384eee";
}

std::string LongNamesTorrent(std::size_t nameBytes, std::size_t fileCount) {
    std::vector<std::pair<std::string, std::string>> paths;
    for (std::size_t i = 0; i < fileCount; ++i) {
        paths.emplace_back("", std::string(nameBytes, 'a'));
    }
    return FilesTorrent(paths);
}

std::string ControlNameTorrent(std::size_t nameBytes) {
    std::string out = "d4:infod6:lengthi1e4:name";
    AppendString(out, std::string(nameBytes, '\x01'));
    return out + "12:piece lengthi16384e6:pieces20:" + std::string(20, 'p') + "ee";
}

}  // namespace generator
