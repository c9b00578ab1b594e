#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The raw digest of `length` bytes with a CNG algorithm identifier, "SHA1" or "SHA256"; the
// empty string for another identifier or when the platform fails.
std::string ComputeDigest(const wchar_t* algorithm, const void* data, std::uint32_t length);

}  // namespace platform
