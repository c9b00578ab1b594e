// The packer and the thumbnail as the file manager calls them, under Wine, for a torrent of
// 200,000 files: listing it whole (OpenArchiveW, ReadHeaderExW to the end, CloseArchive), its
// thumbnail card, and detection of a file that is no torrent; each against reading the torrent
// file once. Run: cmake/wine-run packer_bench.exe PACKER VIEWER

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "archive/packer_abi.h"
#include "torrent_generator.h"

namespace {

double Milliseconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

template <typename Function>
Function Export(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The floor: the file opened and read whole once.
double ReadOnce(const std::filesystem::path& file) {
    const auto start = std::chrono::steady_clock::now();
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    return Milliseconds(start);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: packer_bench Marrowpeek.wcx64 Marrowpeek.dll\n");
        return 2;
    }
    const HMODULE packer = LoadLibraryW(argv[1]);
    const HMODULE viewer = LoadLibraryW(argv[2]);
    const auto open = Export<HANDLE(WINAPI*)(tOpenArchiveDataW*)>(packer, "OpenArchiveW");
    const auto read = Export<int(WINAPI*)(HANDLE, tHeaderDataExW*)>(packer, "ReadHeaderExW");
    const auto close = Export<int(WINAPI*)(HANDLE)>(packer, "CloseArchive");
    const auto detect = Export<BOOL(WINAPI*)(WCHAR*)>(packer, "CanYouHandleThisFileW");
    const auto preview = Export<HBITMAP(WINAPI*)(const wchar_t*, int, int, char*, int)>(
        viewer, "ListGetPreviewBitmapW");
    if (open == nullptr || read == nullptr || close == nullptr || detect == nullptr ||
        preview == nullptr) {
        std::fprintf(stderr, "cannot load the plug-ins\n");
        return 1;
    }
    const auto folder = std::filesystem::temp_directory_path() / "marrowpeek-packer-bench";
    std::filesystem::create_directories(folder);
    const auto torrent = folder / "many.torrent";
    const auto other = folder / "other.bin";
    std::ofstream(torrent, std::ios::binary) << generator::MultiFileTorrent(200000, 20, 10);
    std::ofstream(other, std::ios::binary) << std::string(1 << 20, 'x');
    ReadOnce(torrent);  // warm the cache
    const double floor = ReadOnce(torrent);

    auto header = std::make_unique<tHeaderDataExW>();
    std::wstring name = torrent.wstring();
    int entries = 0;
    auto start = std::chrono::steady_clock::now();
    tOpenArchiveDataW data{name.data(), PK_OM_LIST, 0, nullptr, 0, 0, 0};
    const HANDLE handle = open(&data);
    while (handle != nullptr && read(handle, header.get()) == 0) {
        ++entries;
    }
    close(handle);
    const double listing = Milliseconds(start);

    start = std::chrono::steady_clock::now();
    const HBITMAP card = preview(name.c_str(), 256, 256, nullptr, 0);
    const double thumbnail = Milliseconds(start);
    DeleteObject(card);

    constexpr int kDetections = 1000;
    std::wstring otherName = other.wstring();
    start = std::chrono::steady_clock::now();
    int recognised = 0;
    for (int i = 0; i < kDetections; ++i) {
        recognised += detect(otherName.data()) ? 1 : 0;
    }
    const double perDetection = Milliseconds(start) / kDetections;

    std::printf(
        "packer: 200,000 files, %d entries listed in %.0f ms (%.1fx reading the file once, "
        "%.0f ms)\n",
        entries, listing, listing / floor, floor);
    std::printf("thumbnail: %s in %.0f ms (%.1fx reading the file once)\n",
                card != nullptr ? "a card" : "NO CARD", thumbnail, thumbnail / floor);
    std::printf("detection of a file that is no torrent: %.3f ms a file (%d recognised)\n",
                perDetection, recognised);
    std::filesystem::remove_all(folder);
    return handle != nullptr && card != nullptr && recognised == 0 ? 0 : 1;
}
