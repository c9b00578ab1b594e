#pragma once

#include <filesystem>
#include <string>

namespace platform {

// A path in the "\\?\" form, which reaches past MAX_PATH: absolute, with backslashes.
inline std::wstring LongPath(const std::filesystem::path& path) {
    const std::wstring text = std::filesystem::absolute(path).make_preferred().wstring();
    if (text.rfind(L"\\\\", 0) == 0) {
        return text.rfind(L"\\\\?\\", 0) == 0 ? text : L"\\\\?\\UNC\\" + text.substr(2);
    }
    return L"\\\\?\\" + text;
}

}  // namespace platform
