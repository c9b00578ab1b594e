#pragma once

#include <cstddef>
#include <string>

// The digest of `length` bytes as lower-case hexadecimal text, with a CNG algorithm identifier
// ("SHA1" for the version 1 info hash, "SHA256" for version 2); the empty text when the
// platform refuses the algorithm or any step fails.
std::string HashHex(const wchar_t* algorithm, const void* data, std::size_t length);
