#include "tools/sample_torrent.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

std::string Text(const std::string& text) {
    return std::to_string(text.size()) + ":" + text;
}

std::string FileItem(std::int64_t length, const std::vector<std::string>& path) {
    std::string item = "d6:lengthi" + std::to_string(length) + "e4:pathl";
    for (const auto& element : path) {
        item += Text(element);
    }
    return item + "ee";
}

}  // namespace

std::string SampleTorrent() {
    const std::vector<std::pair<std::int64_t, std::vector<std::string>>> files = {
        {1'468'006'400, {"Season 1", "Episode 01.mkv"}},
        {1'502'117'888, {"Season 1", "Episode 02.mkv"}},
        {48'213, {"Season 1", "Subtitles", "Episode 01.en.srt"}},
        {51'007, {"Season 1", "Subtitles", "Episode 02.en.srt"}},
        {734'003'200, {"Extras", "Behind the scenes.mp4"}},
        {4'404'019, {"Extras", "Soundtrack.flac"}},
        {284'112, {"cover.jpg"}},
        {2'048, {"README.txt"}},
        {15'360, {"checksums.sha256"}},
    };
    std::string list;
    std::int64_t total = 0;
    for (const auto& [length, path] : files) {
        list += FileItem(length, path);
        total += length;
    }
    constexpr std::int64_t kPieceLength = 4 * 1024 * 1024;
    const std::int64_t pieces = (total + kPieceLength - 1) / kPieceLength;
    std::string hashes(static_cast<std::size_t>(pieces) * 20, '\0');
    std::uint32_t state = 2166136261u;
    for (char& byte : hashes) {
        state = state * 16777619u + 1u;
        byte = static_cast<char>(state >> 24);
    }
    return "d8:announce" + Text("udp://tracker.example.org:6969/announce") + "13:announce-listl" +
           "l" + Text("udp://tracker.example.org:6969/announce") +
           Text("https://tracker.example.net/announce") + "e" + "l" +
           Text("udp://backup.example.com:1337/announce") + "e" + "e" + "7:comment" +
           Text("A sample collection made by the developer tool.") + "10:created by" +
           Text("marrowpeek sample") + "13:creation datei1764979200e" + "4:infod5:filesl" + list +
           "e4:name" + Text("Sample Collection") + "12:piece lengthi" +
           std::to_string(kPieceLength) + "e6:pieces" + Text(hashes) + "e" + "6:source" +
           Text("marrowpeek") + "e";
}
