#pragma once

// Builds metainfo bytes in code, so that every fixture shows what it holds.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace fixture {

inline std::string Str(std::string_view bytes) {
    return std::to_string(bytes.size()) + ":" + std::string(bytes);
}

inline std::string Int(std::int64_t value) {
    return "i" + std::to_string(value) + "e";
}

inline std::string List(std::initializer_list<std::string> items) {
    std::string out = "l";
    for (const auto& item : items)
        out += item;
    return out + "e";
}

// Keys are written in the order given, unsorted and repeated as they come.
inline std::string Dict(std::initializer_list<std::pair<std::string_view, std::string>> entries) {
    std::string out = "d";
    for (const auto& [key, value] : entries)
        out += Str(key) + value;
    return out + "e";
}

inline std::string SingleFileTorrent(std::string_view name, std::int64_t length) {
    return Dict({{"announce", Str("http://tracker.example/announce")},
                 {"info", Dict({{"length", Int(length)},
                                {"name", Str(name)},
                                {"piece length", Int(16384)},
                                {"pieces", Str(std::string(20, 'p'))}})}});
}

}  // namespace fixture
