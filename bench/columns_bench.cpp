// The content plug-in as the file manager drives it for a folder of 1,000 torrents: every column
// field of every file through ContentGetValueW, against the same host only reading each file
// once. Prints both times and their ratio. Runs under Wine: cmake/wine-run columns_bench.exe

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "torrent_generator.h"

namespace {

using GetValueW = int(WINAPI*)(const wchar_t*, int, int, void*, int, int);

constexpr int kFiles = 1000;
constexpr int kColumnFields = 19;  // every field but the search-only "File names"

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The host's floor: each file opened and read whole once.
double ReadEach(const std::vector<std::filesystem::path>& files) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> buffer(1 << 20);
    for (const auto& file : files) {
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        DWORD read = 0;
        while (ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
               read > 0) {
        }
        CloseHandle(handle);
    }
    return Seconds(start);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: columns_bench PATH-OF-Marrowpeek.wdx64\n");
        return 2;
    }
    HMODULE library = LoadLibraryW(argv[1]);
    const auto getValue = reinterpret_cast<GetValueW>(
        reinterpret_cast<void*>(GetProcAddress(library, "ContentGetValueW")));
    if (getValue == nullptr) {
        std::fprintf(stderr, "cannot load the content plug-in\n");
        return 1;
    }
    const auto folder = std::filesystem::temp_directory_path() / "marrowpeek-columns-bench";
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(folder / ("t" + std::to_string(i) + ".torrent"));
        std::ofstream(files.back(), std::ios::binary)
            << generator::MultiFileTorrent(20 + static_cast<std::size_t>(i % 50), 2, 3);
    }
    ReadEach(files);  // warm the cache for both
    const double floor = ReadEach(files);
    const auto start = std::chrono::steady_clock::now();
    std::vector<char> value(4096);
    int answered = 0;
    for (const auto& file : files) {
        for (int field = 0; field < kColumnFields; ++field) {
            answered += getValue(file.c_str(), field, 0, value.data(),
                                 static_cast<int>(value.size()), 0) > 0
                            ? 1
                            : 0;
        }
    }
    const double columns = Seconds(start);
    std::printf(
        "columns: %d torrents, %d fields each: %.1f ms (%d answers), reading each file "
        "%.1f ms: %.2fx the floor\n",
        kFiles, kColumnFields, columns * 1000, answered, floor * 1000, columns / floor);
    // "File names" of 200,000 files read as the search reads it, block k at k(maxlen - 1) bytes,
    // the blocks stitched where they overlap (by one unit: the names are ASCII), against the
    // whole text in one block.
    const auto many = folder / "200k.torrent";
    std::ofstream(many, std::ios::binary) << generator::MultiFileTorrent(200'000, 500, 37);
    std::vector<wchar_t> whole(16u << 20);
    getValue(many.c_str(), kColumnFields, 0, whole.data(), static_cast<int>(whole.size() * 2), 0);
    const std::size_t length = wcslen(whole.data());
    for (const int maxlen : {4096, 64}) {
        const auto blocksStart = std::chrono::steady_clock::now();
        std::vector<wchar_t> block(static_cast<std::size_t>(maxlen) / 2 + 1);
        std::size_t read = 0;
        int calls = 0;
        for (int k = 0;
             getValue(many.c_str(), kColumnFields, k * (maxlen - 1), block.data(), maxlen, 0) > 0;
             ++k, ++calls) {
            const std::size_t got = wcslen(block.data());
            read += k == 0 ? got : got - 1;
        }
        std::printf(
            "file names, 200,000 files in %d-byte blocks: %zu of %zu characters, %d calls, "
            "%.1f ms\n",
            maxlen, read, length, calls, Seconds(blocksStart) * 1000);
    }
    std::filesystem::remove_all(folder);
    FreeLibrary(library);
    return 0;
}
