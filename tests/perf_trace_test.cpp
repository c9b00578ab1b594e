#include "plugin/perf_trace.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "bencode_builder.h"
#include "debug_output_capture.h"
#include "scratch_directory.h"
#include "torrent/payload.h"

// Tracing is settled once per process, so the two halves run in separate processes: ctest runs
// PerfSwitchedOn* with MARROWPEEK_PERF=0 and everything else without the variable.

namespace {

std::vector<std::string> Labels(const std::string& output) {
    std::vector<std::string> labels;
    std::size_t at = 0;
    const std::string prefix = "[Marrowpeek] ";
    while ((at = output.find(prefix, at)) != std::string::npos) {
        const auto start = at + prefix.size();
        const auto colon = output.find(": ", start);
        labels.push_back(output.substr(start, colon - start));
        at = colon;
    }
    return labels;
}

TEST(PerfSwitchedOff, WritesNothingAndReadsNoCounter) {
    ASSERT_FALSE(PerfEnabled());
    ScratchDirectory dir;
    DebugOutputCapture capture;
    PerfLog("label", 1.0);
    {
        PerfTimer timer("stage");
        EXPECT_EQ(timer.start, 0);
        EXPECT_FALSE(timer.enabled);
    }
    WebViewState state;
    EXPECT_TRUE(
        LoadTorrentPayload(state, dir.Write("a.torrent", fixture::SingleFileTorrent("a", 1)), 0));
    EXPECT_EQ(capture.Take(), "");
}

TEST(PerfSwitchedOn, LinesHaveThreeDecimals) {
    ASSERT_TRUE(PerfEnabled());
    DebugOutputCapture capture;
    PerfLog("stage", 1.23456);
    PerfLog("zero", 0.0);
    EXPECT_EQ(capture.Take(), "[Marrowpeek] stage: 1.235 ms\n[Marrowpeek] zero: 0.000 ms\n");
}

TEST(PerfSwitchedOn, PayloadStagesAreTimedInOrder) {
    ScratchDirectory dir;
    DebugOutputCapture capture;
    WebViewState state;
    ASSERT_TRUE(
        LoadTorrentPayload(state, dir.Write("a.torrent", fixture::SingleFileTorrent("a", 1)), 0));
    EXPECT_EQ(Labels(capture.Take()),
              (std::vector<std::string>{"ReadFileBytes", "torrent::extract", "infohash",
                                        "torrent::toJson", "FillConfigPayload",
                                        "LoadTorrentPayload total"}));
}

TEST(PerfSwitchedOn, RefusedFilesLeaveTheLinesOfTheStagesThatRan) {
    ScratchDirectory dir;
    WebViewState state;
    {
        DebugOutputCapture capture;
        EXPECT_FALSE(LoadTorrentPayload(state, dir.Write("empty.torrent", ""), 0));
        EXPECT_EQ(Labels(capture.Take()), (std::vector<std::string>{"ReadFileBytes"}));
    }
    {
        DebugOutputCapture capture;
        EXPECT_FALSE(LoadTorrentPayload(state, dir.Write("text.torrent", "dear diary"), 0));
        EXPECT_EQ(Labels(capture.Take()),
                  (std::vector<std::string>{"ReadFileBytes", "torrent::extract"}));
    }
}

TEST(PerfSwitchedOn, TimerEndsWhenTheStageThrows) {
    DebugOutputCapture capture;
    try {
        PerfTimer timer("throwing stage");
        throw std::runtime_error("stage failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Labels(capture.Take()), (std::vector<std::string>{"throwing stage"}));
}

}  // namespace
