#pragma once

#include <cstdint>

// Timing lines on the debugger output, switched on for the whole process by the presence of
// MARROWPEEK_PERF when it is first asked. With tracing off a stage costs one read of the
// cached switch.

bool PerfEnabled();

// Milliseconds between two performance-counter values.
double PerfMilliseconds(std::int64_t start, std::int64_t end);

// Writes "[Marrowpeek] <label>: <ms with three decimals> ms" when tracing is on.
void PerfLog(const char* label, double milliseconds);

// Times one stage, from construction (or Restart) to End; the destructor ends a stage that is
// still running, also when it is left by an exception.
struct PerfTimer {
    const char* label = nullptr;
    bool enabled = false;
    std::int64_t start = 0;

    explicit PerfTimer(const char* stageLabel);
    ~PerfTimer();
    PerfTimer(const PerfTimer&) = delete;
    PerfTimer& operator=(const PerfTimer&) = delete;

    // Ends the running stage and starts the next one.
    void Restart(const char* stageLabel);
    void End();
};
