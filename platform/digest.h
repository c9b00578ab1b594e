#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The raw digest of `length` bytes with a CNG algorithm identifier ("SHA1", "SHA256"), or the
// empty string when the platform refuses the algorithm or any step fails.
std::string ComputeDigest(const wchar_t* algorithm, const void* data, std::uint32_t length);

}  // namespace platform
