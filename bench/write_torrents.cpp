// Writes the benchmark's large and hostile torrents into a folder, for measuring whole
// processes. Usage: write_torrents DIR   (writes DIR/60mb.torrent, DIR/200k-files.torrent,
// DIR/60k-trackers.torrent and DIR/control-name.torrent)

#include <filesystem>
#include <fstream>
#include <iostream>

#include "torrent_generator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: write_torrents DIR\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "60mb.torrent", std::ios::binary)
        << generator::SingleFileTorrent(3'000'000);
    std::ofstream(folder / "200k-files.torrent", std::ios::binary)
        << generator::MultiFileTorrent(200'000, 500, 37);
    std::ofstream(folder / "60k-trackers.torrent", std::ios::binary)
        << generator::ManyTrackersTorrent(60'000);
    std::ofstream(folder / "control-name.torrent", std::ios::binary)
        << generator::ControlNameTorrent(6u << 20);
    return 0;
}
