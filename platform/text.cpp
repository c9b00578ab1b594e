#include "platform/text.h"

#include <array>
#include <cstdint>

namespace platform {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string GroupedCount(std::int64_t count) {
    const std::uint64_t magnitude =
        count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
    const std::string digits = std::to_string(magnitude);
    std::string grouped = count < 0 ? "-" : "";
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[at];
    }
    return grouped;
}

std::string SizeText(std::int64_t bytes) {
    constexpr std::array<const char*, 6> kUnits = {"B", "KB", "MB", "GB", "TB", "PB"};
    if (bytes < 0) {
        return "\u2014";  // a damaged torrent's negative length is no size at all
    }
    const auto value = static_cast<std::uint64_t>(bytes);
    std::size_t unit = 0;
    std::uint64_t divisor = 1;
    while (value / divisor >= 1024 && unit + 1 < kUnits.size()) {
        divisor *= 1024;
        ++unit;
    }
    if (unit == 0) {
        return GroupedCount(bytes) + " B";
    }
    // Rounded as the page rounds: exactly, a tie to the larger neighbour. The remainder is below
    // 2^50, so a hundred times it fits.
    const int places = value / divisor < 10 ? 2 : 1;
    const std::uint64_t scale = places == 2 ? 100 : 10;
    const std::uint64_t part = value % divisor * scale;
    const auto rounded = static_cast<std::int64_t>(value / divisor * scale + part / divisor +
                                                   (2 * (part % divisor) >= divisor ? 1 : 0));
    std::string fraction = std::to_string(rounded % static_cast<std::int64_t>(scale));
    fraction.insert(0, static_cast<std::size_t>(places) - fraction.size(), '0');
    return GroupedCount(rounded / static_cast<std::int64_t>(scale)) + "." + fraction + " " +
           kUnits[unit];
}

std::string TerminalSafe(std::string_view text, bool keepLines) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string safe;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (keepLines && byte == '\n') {
            safe += '\n';
        } else if (byte < 0x20 || byte == 0x7F) {
            safe += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            safe += {'\\', 'u', '0', '0', kDigits[next >> 4], kDigits[next & 0xF]};
            ++i;
        } else {
            safe += text[i];
        }
    }
    return safe;
}

}  // namespace platform
