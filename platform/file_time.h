#pragma once

#include <cstdint>

namespace platform {

// A FILETIME (100 ns since 1601, UTC) of seconds since 1970.
inline std::uint64_t FileTimeOf(std::int64_t secondsSince1970) {
    constexpr std::int64_t kSecondsFrom1601 = 11644473600;
    return static_cast<std::uint64_t>(secondsSince1970 + kSecondsFrom1601) * 10'000'000u;
}

}  // namespace platform
