#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

// Text in the system's ANSI code page, as the host's ANSI functions pass it, as UTF-16; empty
// for none.
inline std::wstring WideFromAnsi(const char* text) {
    const int length = text != nullptr ? MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0) : 0;
    if (length <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

// UTF-16 text in the ANSI code page, "?" where it has no character, for an ANSI host.
inline std::string AnsiFromWide(std::wstring_view wide) {
    const auto units = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

}  // namespace platform
