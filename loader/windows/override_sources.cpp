#include "loader/windows/override_sources.h"

#include <objbase.h>
#include <windows.h>

#include <vector>

#include "loader/windows/executable_path.h"
#include "loader/windows/optional_functions.h"
#include "loader/windows/registry_key.h"

namespace loader {
namespace {

std::optional<std::wstring> EnvironmentText(std::wstring_view name) {
    const std::wstring key(name);
    SetLastError(ERROR_SUCCESS);
    DWORD size = GetEnvironmentVariableW(key.c_str(), nullptr, 0);
    if (size == 0) {
        // An empty variable exists too: only "not found" means absent.
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
            return std::nullopt;
        }
        return std::wstring();
    }
    std::wstring text(size, L'\0');
    size = GetEnvironmentVariableW(key.c_str(), text.data(), size);
    text.resize(size < text.size() ? size : 0);
    return text;
}

bool PolicyRootExists() {
    std::wstring root(kPolicyRoot);
    root.pop_back();
    return static_cast<bool>(RegistryKey(HKEY_CURRENT_USER, root, KEY_READ)) ||
           static_cast<bool>(RegistryKey(HKEY_LOCAL_MACHINE, root, KEY_READ));
}

std::vector<std::wstring> PolicyValueNames(bool allowStar) {
    std::vector<std::wstring> names{ApplicationUserModelId(), ExecutableFileName()};
    if (allowStar) {
        names.emplace_back(L"*");
    }
    return names;
}

// Machine policy wins over user policy; within a key, the first value name that answers wins.
template <typename Read>
auto ReadPolicy(std::wstring_view policy, bool allowStar, Read read)
    -> decltype(read(std::declval<const RegistryKey&>(), L"")) {
    const std::wstring path = std::wstring(kPolicyRoot) + std::wstring(policy);
    const std::vector<std::wstring> names = PolicyValueNames(allowStar);
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const RegistryKey key(hive, path, KEY_QUERY_VALUE);
        if (!key) {
            continue;
        }
        for (const std::wstring& name : names) {
            if (auto value = read(key, name.c_str())) {
                return value;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::wstring ApplicationUserModelId() {
    const IdentityFunctions& functions = SystemIdentityFunctions();
    if (functions.getCurrentApplicationUserModelId != nullptr) {
        // The longest id Windows allows is 130 characters.
        wchar_t id[131] = {};
        UINT32 length = 131;
        if (functions.getCurrentApplicationUserModelId(&length, id) == ERROR_SUCCESS) {
            return id;
        }
        return {};
    }
    if (functions.getCurrentProcessExplicitAppUserModelId != nullptr) {
        PWSTR id = nullptr;
        std::wstring result;
        if (SUCCEEDED(functions.getCurrentProcessExplicitAppUserModelId(&id)) && id != nullptr) {
            result = id;
        }
        CoTaskMemFree(id);
        return result;
    }
    return {};
}

std::wstring ExecutableFileName() {
    std::wstring path;
    if (FAILED(ExecutablePath(path))) {
        return {};
    }
    return path.substr(path.rfind(L'\\') + 1);
}

OverrideSources SystemOverrideSources() {
    OverrideSources sources;
    sources.environment = EnvironmentText;
    sources.policyRootExists = PolicyRootExists;
    sources.policyText = [](std::wstring_view policy, bool allowStar, bool allowEmpty) {
        return ReadPolicy(policy, allowStar,
                          [allowEmpty](const RegistryKey& key, const wchar_t* name) {
                              auto text = key.Text(name);
                              if (text && !allowEmpty && text->empty()) {
                                  text.reset();
                              }
                              return text;
                          });
    };
    sources.policySearchKind = [](std::wstring_view policy, bool allowStar) {
        return ReadPolicy(policy, allowStar,
                          [](const RegistryKey& key, const wchar_t* name) -> std::optional<bool> {
                              if (auto number = key.Dword(name)) {
                                  return *number == 1;
                              }
                              if (auto text = key.Text(name)) {
                                  return LeadingInteger(*text) == 1;
                              }
                              return std::nullopt;
                          });
    };
    return sources;
}

}  // namespace loader
