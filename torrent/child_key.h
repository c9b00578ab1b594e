#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace torrent {

// A folder's child by name: the key that finds a folder again among many, for the file tree and
// for the check's plan alike.
struct ChildKey {
    std::uint32_t parent;
    std::string_view name;
    bool operator==(const ChildKey&) const = default;
};

struct ChildKeyHash {
    std::size_t operator()(const ChildKey& key) const {
        return std::hash<std::string_view>()(key.name) * 31 + key.parent;
    }
};

}  // namespace torrent
