#include "loader/windows/registry_key.h"

#include "loader/loader_options.h"

namespace loader {

RegistryKey::RegistryKey(HKEY root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) == ERROR_SUCCESS) {
        key_ = key;
    }
}

RegistryKey::~RegistryKey() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
    }
}

std::optional<std::wstring> RegistryKey::Text(const wchar_t* name) const {
    if (key_ == nullptr) {
        return std::nullopt;
    }
    wchar_t buffer[kRegistryTextChars];
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(key_, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

std::optional<DWORD> RegistryKey::Dword(const wchar_t* name) const {
    if (key_ == nullptr) {
        return std::nullopt;
    }
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (RegGetValueW(key_, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

}  // namespace loader
