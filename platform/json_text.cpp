#include "platform/json_text.h"

#include <charconv>

#include "platform/hex.h"
#include "platform/utf8.h"

namespace platform {

void AppendJsonEscaped(std::string& out, std::string_view text, ControlEscapes controls) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            continue;
        }
        if (byte >= 0x20) {
            out += c;
            continue;
        }
        if (controls == ControlEscapes::Short) {
            const char* shortForm = c == '\b'   ? "\\b"
                                    : c == '\t' ? "\\t"
                                    : c == '\n' ? "\\n"
                                    : c == '\f' ? "\\f"
                                    : c == '\r' ? "\\r"
                                                : nullptr;
            if (shortForm != nullptr) {
                out += shortForm;
                continue;
            }
        }
        const char escape[] = {
            '\\', 'u', '0', '0', kLowerHexDigits[byte >> 4], kLowerHexDigits[byte & 0xF]};
        out.append(escape, sizeof escape);
    }
}

void AppendJsonString(std::string& out, std::string_view text, ControlEscapes controls) {
    out += '"';
    AppendJsonEscaped(out, text, controls);
    out += '"';
}

std::size_t JsonRepairedGrowth(std::string_view bytes) {
    // A repaired byte of three bytes' replacement grows by two at most.
    const bool repaired = !IsValidUtf8(bytes);
    std::size_t growth = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        growth += c == '"' || c == '\\' ? 1 : byte < 0x20 ? 5 : repaired && byte >= 0x80 ? 2 : 0;
    }
    return growth;
}

void AppendJsonInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendJsonBool(std::string& out, bool value) {
    out += value ? "true" : "false";
}

void AppendJsonRepaired(std::string& out, std::string_view bytes, ControlEscapes controls) {
    if (IsValidUtf8(bytes)) {
        AppendJsonString(out, bytes, controls);
    } else {
        AppendJsonString(out, SanitizeUtf8(bytes), controls);
    }
}

}  // namespace platform
