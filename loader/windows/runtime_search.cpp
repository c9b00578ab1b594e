#include "loader/windows/runtime_search.h"

#include <vector>

#include "loader/windows/debug_text.h"
#include "loader/windows/executable_path.h"
#include "loader/windows/registry_key.h"

namespace loader {
namespace {

// The package graph query: static and dynamic dependencies, with the head package.
constexpr UINT32 kPackageGraphFlags = 0x00180001;

// The system's PACKAGE_INFO and PACKAGE_ID layouts.
struct PackageId {
    UINT32 reserved;
    UINT32 processorArchitecture;
    PackageVersion version;
    PWSTR name;
    PWSTR publisher;
    PWSTR resourceId;
    PWSTR publisherId;
};

struct PackageInfo {
    UINT32 reserved;
    UINT32 flags;
    PWSTR path;
    PWSTR packageFullName;
    PWSTR packageFamilyName;
    PackageId packageId;
};

RuntimeVersion SplitPackageVersion(PackageVersion version) {
    return {static_cast<std::uint32_t>((version >> 48) & 0xFFFF),
            static_cast<std::uint32_t>((version >> 32) & 0xFFFF),
            static_cast<std::uint32_t>((version >> 16) & 0xFFFF),
            static_cast<std::uint32_t>(version & 0xFFFF)};
}

bool EqualIgnoringCase(const wchar_t* a, std::wstring_view b) {
    return a != nullptr &&
           CompareStringOrdinal(a, -1, b.data(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::optional<std::wstring> RegisteredFolder(HKEY hive, std::size_t channel, bool edgeView) {
    constexpr REGSAM kAccess = KEY_READ | KEY_WOW64_32KEY;
    if (edgeView && channel == kStableChannel) {
        const RegistryKey key(hive, std::wstring(kEdgeClientsKey), kAccess);
        auto location = key.Text(L"location");
        auto version = key.Text(L"pv");
        if (!location || location->empty() || !version || version->empty()) {
            return std::nullopt;
        }
        return *location + L"\\" + *version;
    }
    const RegistryKey key(
        hive, std::wstring(kClientStateKey) + std::wstring(kReleaseChannels[channel].clientId),
        kAccess);
    auto folder = key.Text(L"EBWebView");
    if (!folder || folder->empty()) {
        return std::nullopt;
    }
    return folder;
}

// A candidate counts when its version is new enough and its client library can be opened.
std::optional<std::wstring> AcceptCandidate(const std::wstring& folder,
                                            const std::optional<RuntimeVersion>& version) {
    if (!version || !IsAcceptableVersion(*version)) {
        WriteDebugText(L"WebView2: skipped an incompatible version " + folder + L"\n");
        return std::nullopt;
    }
    return ProbeClientLibrary(folder);
}

}  // namespace

std::optional<std::wstring> ProbeClientLibrary(const std::wstring& folder) {
    std::wstring path = ClientLibraryPath(folder);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    const HANDLE probe = CreateFileW(path.c_str(), SYNCHRONIZE | FILE_EXECUTE | FILE_READ_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        WriteDebugText(L"WebView2: skipped inaccessible " + path + L"\n");
        return std::nullopt;
    }
    CloseHandle(probe);
    return path;
}

HRESULT FixedFolderClientLibrary(const std::wstring& folder, std::wstring& clientPath) {
    std::wstring absolute = folder;
    if (!IsAbsoluteFolder(folder)) {
        std::wstring executable;
        if (const HRESULT failure = ExecutablePath(executable); FAILED(failure)) {
            WriteDebugText(L"WebView2: Failed to find the app exe path.\n");
            return failure;
        }
        const std::size_t slash = executable.rfind(L'\\');
        if (slash == std::wstring::npos) {
            return E_FAIL;
        }
        absolute = executable.substr(0, slash + 1) + folder;
    }
    auto found = ProbeClientLibrary(absolute);
    if (!found) {
        WriteDebugText(L"WebView2: Failed to find the WebView2 client dll at: " +
                       ClientLibraryPath(absolute) + L"\n");
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    clientPath = std::move(*found);
    return S_OK;
}

std::optional<PackagedRuntime> FindPackagedRuntime(const PackageFunctions& packages,
                                                   std::wstring_view familyName) {
    if (!packages.Complete()) {
        return std::nullopt;
    }
    const std::wstring family(familyName);
    PWSTR dependencyId = nullptr;
    if (SUCCEEDED(packages.tryCreatePackageDependency(nullptr, family.c_str(), 0, 0, 0, nullptr, 0,
                                                      &dependencyId))) {
        void* context = nullptr;
        packages.addPackageDependency(dependencyId, 0, 0, &context, nullptr);
    }
    if (dependencyId != nullptr) {
        HeapFree(GetProcessHeap(), 0, dependencyId);
    }

    UINT32 size = 0;
    UINT32 count = 0;
    if (packages.getCurrentPackageInfo(kPackageGraphFlags, &size, nullptr, &count) !=
            ERROR_INSUFFICIENT_BUFFER ||
        size == 0) {
        return std::nullopt;
    }
    // PACKAGE_INFO holds pointers: the buffer must be aligned for them.
    std::vector<UINT64> buffer((size + sizeof(UINT64) - 1) / sizeof(UINT64));
    auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
    if (packages.getCurrentPackageInfo(kPackageGraphFlags, &size, bytes, &count) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::size_t fits = buffer.size() * sizeof(UINT64) / sizeof(PackageInfo);
    const auto* entries = reinterpret_cast<const PackageInfo*>(bytes);
    for (UINT32 i = 0; i < count && i < fits; ++i) {
        if (EqualIgnoringCase(entries[i].packageFamilyName, familyName) &&
            entries[i].path != nullptr) {
            return PackagedRuntime{entries[i].path,
                                   SplitPackageVersion(entries[i].packageId.version)};
        }
    }
    return std::nullopt;
}

HRESULT InstalledClientLibrary(const LoaderOptions& options, const PackageFunctions& packages,
                               std::wstring& clientPath) {
    for (std::size_t channel : ChannelSearchOrder(options)) {
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            const auto folder = RegisteredFolder(hive, channel, options.edgeView);
            if (!folder) {
                continue;
            }
            if (auto found = AcceptCandidate(*folder, VersionOfFolder(*folder))) {
                clientPath = std::move(*found);
                return S_OK;
            }
        }
        // A registered runtime that was rejected (too old, no client library) does not end the
        // channel: the channel's package may still hold an acceptable one.
        if (auto packaged =
                FindPackagedRuntime(packages, kReleaseChannels[channel].packageFamilyName)) {
            if (auto found = AcceptCandidate(packaged->folder, packaged->version)) {
                clientPath = std::move(*found);
                return S_OK;
            }
        }
    }
    WriteDebugText(
        L"WebView2: Failed to find an installed WebView2 runtime or non-stable Microsoft Edge "
        L"installation.\n");
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

}  // namespace loader
