#include "platform/text.h"

namespace platform {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
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
