#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace loader {

// An open registry key, closed with its owner.
class RegistryKey {
  public:
    RegistryKey(HKEY root, const std::wstring& path, REGSAM access);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    explicit operator bool() const { return key_ != nullptr; }

    // A REG_SZ value that fits the loader's 260-character buffer; "" names the default value.
    std::optional<std::wstring> Text(const wchar_t* name) const;
    std::optional<DWORD> Dword(const wchar_t* name) const;

  private:
    HKEY key_ = nullptr;
};

}  // namespace loader
