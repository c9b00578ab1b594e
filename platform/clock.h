#pragma once

#include <cstdint>

namespace platform {

// A monotonic tick count and its ticks per second; the frequency never changes while running.
std::int64_t PerformanceCounter();
std::int64_t PerformanceFrequency();

}  // namespace platform
