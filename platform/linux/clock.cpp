#include "platform/clock.h"

#include <time.h>

namespace platform {

std::int64_t PerformanceCounter() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::int64_t PerformanceFrequency() {
    return 1'000'000'000;
}

}  // namespace platform
