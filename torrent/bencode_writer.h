#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Writing bencode, beside its decoder. A dictionary's keys must be written in bytewise order by
// the caller, who knows them.
namespace bencode {

inline void AppendString(std::string& out, std::string_view bytes) {
    out += std::to_string(bytes.size());
    out += ':';
    out += bytes;
}

inline void AppendInteger(std::string& out, std::int64_t value) {
    out += 'i';
    out += std::to_string(value);
    out += 'e';
}

// A key and the start of its value, in a dictionary being written.
inline void AppendKey(std::string& out, std::string_view key) {
    AppendString(out, key);
}

}  // namespace bencode
