#pragma once

// The settings of one environment creation request and the fixed facts the search relies on.
// Portable: the decisions made from them are tested on every platform.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace loader {

struct LoaderOptions {
    // Absent or empty: search the installed runtimes.
    std::optional<std::wstring> browserExecutableFolder;
    std::optional<std::wstring> userDataFolder;
    // 1: most experimental channel first; anything else: stable first.
    std::uint32_t channelSearchKind = 0;
    bool edgeView = false;
    bool releaseChannelsSet = false;
    bool channelSearchKindSet = false;
    // Bit n allows channel n.
    std::uint32_t releaseChannelMask = 0;
};

struct ReleaseChannel {
    std::wstring_view name;
    std::wstring_view clientId;
    std::wstring_view packageFamilyName;
};

constexpr std::size_t kChannelCount = 5;
constexpr std::size_t kStableChannel = 0;

inline constexpr std::array<ReleaseChannel, kChannelCount> kReleaseChannels{{
    {L"", L"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}",
     L"Microsoft.WebView2Runtime.Stable_8wekyb3d8bbwe"},
    {L"beta", L"{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}",
     L"Microsoft.WebView2Runtime.Beta_8wekyb3d8bbwe"},
    {L"dev", L"{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}",
     L"Microsoft.WebView2Runtime.Dev_8wekyb3d8bbwe"},
    {L"canary", L"{65C35B14-6C1D-4122-AC46-7148CC9D6497}",
     L"Microsoft.WebView2Runtime.Canary_8wekyb3d8bbwe"},
    {L"internal", L"{BE59E8FD-089A-411B-A3B0-051D9E417818}",
     L"Microsoft.WebView2Runtime.Internal_8wekyb3d8bbwe"},
}};

inline constexpr std::wstring_view kClientLibraryBelowFolder =
    L"EBWebView\\x64\\EmbeddedBrowserWebView.dll";
inline constexpr std::wstring_view kClientStateKey =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\";
inline constexpr std::wstring_view kEdgeClientsKey =
    L"Software\\Microsoft\\EdgeUpdate\\Clients\\{56EB18F8-B008-4CBD-B6D2-8C97FE7E9062}";
inline constexpr std::wstring_view kPolicyRoot = L"Software\\Policies\\Microsoft\\Edge\\WebView2\\";

// Registry texts longer than this (terminator included) count as absent.
constexpr std::size_t kRegistryTextChars = 260;

// How the runtime was found, as its client library is told.
enum class RuntimeKind : std::uint32_t { Installed = 0, FixedFolder = 1, EdgeView = 2 };

}  // namespace loader
