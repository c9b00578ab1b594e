// Property: any input decodes, extracts and becomes a document without crashing or leaking, and
// the document of an accepted file is always valid JSON (UTF-8 repaired, every byte escaped).

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "torrent/info_hash.h"
#include "torrent/json.h"
#include "torrent/torrent_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    torrent::TorrentInfo info = torrent::extract(bytes, size);
    if (info.ok && info.infoEnd > info.infoStart && info.infoEnd <= size) {
        info.infoHashV1 = HashHex(L"SHA1", bytes + info.infoStart, info.infoEnd - info.infoStart);
    }
    const std::string document = torrent::toJson(info);
    if (!nlohmann::json::accept(document)) {
        std::abort();
    }
    return 0;
}
