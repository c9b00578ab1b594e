#include "platform/perf_trace.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/environment.h"

namespace {

// Labels are fixed texts far shorter than this, so a line is never cut.
constexpr std::size_t kPerfLineCapacity = 160;

std::int64_t CounterFrequency() {
    static const std::int64_t frequency = platform::PerformanceFrequency();
    return frequency;
}

}  // namespace

bool PerfEnabled() {
    static const bool enabled = platform::EnvironmentVariableExists("MARROWPEEK_PERF");
    return enabled;
}

double PerfMilliseconds(std::int64_t start, std::int64_t end) {
    return static_cast<double>(end - start) * 1000.0 / static_cast<double>(CounterFrequency());
}

void PerfLog(const char* label, double milliseconds) {
    if (!PerfEnabled()) {
        return;
    }
    char line[kPerfLineCapacity];
    std::snprintf(line, sizeof line, "[Marrowpeek] %s: %.3f ms\n", label, milliseconds);
    platform::WriteDebugOutput(line);
}

PerfTimer::PerfTimer(const char* stageLabel) {
    Restart(stageLabel);
}

PerfTimer::~PerfTimer() {
    End();
}

void PerfTimer::Restart(const char* stageLabel) {
    End();
    label = stageLabel;
    enabled = PerfEnabled();
    start = enabled ? platform::PerformanceCounter() : 0;
}

void PerfTimer::End() {
    if (enabled) {
        PerfLog(label, PerfMilliseconds(start, platform::PerformanceCounter()));
        enabled = false;
    }
}
