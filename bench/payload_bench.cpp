// Payload preparation on large torrents. The 60 MB case compares LoadTorrentPayload with its
// floor, reading the file plus SHA-1 over the info span; the 200,000-file case reports the time
// of extraction plus document and the peak heap against the file size.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "peak_memory.h"
#include "platform/file_read.h"
#include "torrent/info_hash.h"
#include "torrent/json.h"
#include "torrent/load.h"
#include "torrent/torrent_info.h"
#include "torrent_generator.h"
#include "verify/content_check.h"
#include "view/payload.h"
#include "view/text_search.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct LargeFile {
    std::filesystem::path path;
    std::size_t infoStart = 0;
    std::size_t infoEnd = 0;
};

const LargeFile& SixtyMegabyteTorrent() {
    static const LargeFile file = [] {
        const std::string bytes = generator::SingleFileTorrent(3'000'000);
        LargeFile made;
        made.path = std::filesystem::temp_directory_path() / "marrowpeek-bench-60mb.torrent";
        std::ofstream(made.path, std::ios::binary) << bytes;
        made.infoStart = bytes.find("4:infod") + 6;
        made.infoEnd = bytes.size() - 1;
        return made;
    }();
    return file;
}

void ReadPlusSha1(benchmark::State& state) {
    const LargeFile& file = SixtyMegabyteTorrent();
    for (auto _ : state) {
        const platform::FileContent read =
            platform::ReadWholeFile(file.path, torrent::kMaxTorrentFileBytes);
        const std::string_view bytes = read.bytes;
        benchmark::DoNotOptimize(
            HashHex(L"SHA1", bytes.data() + file.infoStart, file.infoEnd - file.infoStart));
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file.path)));
}

void LoadPayload60MB(benchmark::State& state) {
    const LargeFile& file = SixtyMegabyteTorrent();
    for (auto _ : state) {
        WebViewState view;
        if (LoadTorrentPayload(view, file.path, 0) != PayloadResult::Ready) {
            state.SkipWithError("refused");
        }
        benchmark::DoNotOptimize(view.dataJson);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(file.path)));
}

const std::string& TwoHundredThousandFiles() {
    static const std::string bytes = generator::MultiFileTorrent(200'000, 500, 37);
    return bytes;
}

std::string ExtractAndDocument(const std::string& bytes) {
    const torrent::TorrentInfo info = torrent::extract(bytes.data(), bytes.size());
    return torrent::toJson(info);
}

void ExtractAndDocument200kFiles(benchmark::State& state) {
    const std::string& bytes = TwoHundredThousandFiles();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExtractAndDocument(bytes));
    }
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

// One pass with every allocation counted. The file's own bytes count too: the plug-in holds
// them while it decodes.
void PeakMemory200kFiles(benchmark::State& state) {
    const std::string& bytes = TwoHundredThousandFiles();
    std::size_t peak = 0;
    for (auto _ : state) {
        peak_memory::Start();
        benchmark::DoNotOptimize(ExtractAndDocument(bytes));
        peak = peak_memory::Stop();
    }
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_with_file_over_file"] =
        static_cast<double>(peak + bytes.size()) / static_cast<double>(bytes.size());
}

// The Lister's find on the inputs that once cost seconds: a case-blind path needle in a folder
// with a 100 KB name holding 10,000 files, and a 100,000-character needle over 2,000 names of
// 1,000 letters. Each iteration is one ListSearchTextW from the start.
void FindIn(benchmark::State& state, const std::string& bytes, const std::string& needle) {
    const torrent::TorrentInfo info = torrent::extract(bytes.data(), bytes.size());
    SearchText search = BuildSearchText(info);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindNext(search, needle, kFindFirst));
    }
    state.counters["file_KB"] = static_cast<double>(bytes.size()) / 1e3;
}

void FindPathInLongFolder(benchmark::State& state) {
    static const std::string bytes = generator::LongFolderTorrent(100'000, 10'000);
    FindIn(state, bytes, "a/file 109999.");
}

void FindLongNeedle(benchmark::State& state) {
    static const std::string bytes = generator::LongNamesTorrent(1'000, 2'000);
    FindIn(state, bytes, std::string(100'000, 'a'));
}

// How soon a check ends once told, inside one piece of 8 GiB (a version 2 file without a piece
// layer, sparse on disk): the time from the stop to the check's return.
void StopInsideAHugePiece(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "marrowpeek-bench-huge";
    std::filesystem::create_directories(folder);
    const std::string size = std::to_string(std::int64_t{8} << 30);
    std::ofstream(folder / "huge.torrent", std::ios::binary)
        << "d4:infod9:file treed8:huge.bind0:d6:lengthi" + size +
               "e11:pieces root32:" + std::string(32, 'r') +
               "eee12:meta versioni2e4:name8:huge.bin12:piece lengthi16384eee";
    std::ofstream(folder / "huge.bin", std::ios::binary).close();
    std::filesystem::resize_file(folder / "huge.bin", std::int64_t{8} << 30);
    torrent::LoadedTorrent torrent;
    torrent::LoadTorrent(folder / "huge.torrent", torrent);
    std::string whyNot;
    const auto plan = verify::PlanCheck(torrent, whyNot);
    double stopMs = 0;
    for (auto _ : state) {
        std::atomic<bool> cancel{false};
        std::thread check([&] { verify::CheckContent(*plan, folder / "huge.bin", cancel); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto told = std::chrono::steady_clock::now();
        cancel = true;
        check.join();
        stopMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - told)
                     .count();
    }
    state.counters["stop_ms"] = stopMs;
    std::filesystem::remove_all(folder);
}

BENCHMARK(ReadPlusSha1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LoadPayload60MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ExtractAndDocument200kFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PeakMemory200kFiles)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(FindPathInLongFolder)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(StopInsideAHugePiece)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FindLongNeedle)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
