#include "loader/runtime_rules.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/decimal.h"

namespace loader {
namespace {

constexpr std::uint32_t kStableBit = 1u << kStableChannel;

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// The digits at `at`, clamped to the 32-bit range; advances past them.
std::uint32_t ReadDigits(std::wstring_view text, std::size_t& at) {
    const std::size_t start = at;
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    const std::int64_t value = platform::ReadLeadingDecimal(text.substr(start, at - start)).value;
    return static_cast<std::uint32_t>(
        std::min<std::int64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

std::int64_t LeadingInteger(std::wstring_view text) {
    return platform::ReadLeadingDecimal(text).value;
}

std::uint32_t ParseChannelList(std::wstring_view text) {
    std::uint32_t mask = 0;
    while (!text.empty()) {
        const std::size_t comma = text.find(L',');
        const std::wstring_view item = text.substr(0, comma);
        text = comma == std::wstring_view::npos ? std::wstring_view{} : text.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        const std::int64_t index = LeadingInteger(item);
        mask |= index >= 0 && index < static_cast<std::int64_t>(kChannelCount)
                    ? 1u << static_cast<unsigned>(index)
                    : kStableBit;
    }
    return mask;
}

std::optional<RuntimeVersion> VersionOfFolder(std::wstring_view folder) {
    const std::size_t slash = folder.rfind(L'\\');
    const std::wstring_view name =
        slash == std::wstring_view::npos ? folder : folder.substr(slash + 1);
    RuntimeVersion version{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < version.size(); ++part) {
        if (part > 0) {
            if (at + 1 >= name.size() || name[at] != L'.' || !IsDigit(name[at + 1])) {
                break;
            }
            ++at;
        } else if (name.empty() || !IsDigit(name[0])) {
            return std::nullopt;
        }
        version[part] = ReadDigits(name, at);
    }
    return version;
}

bool IsAcceptableVersion(const RuntimeVersion& version) {
    return version >= kMinimumRuntimeVersion;
}

bool IsAbsoluteFolder(std::wstring_view folder) {
    if (folder.size() < 3) {
        return false;
    }
    if (folder[0] == L'\\' && folder[1] == L'\\') {
        return true;
    }
    const wchar_t drive = folder[0];
    const bool letter = (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    return letter && folder[1] == L':' && folder[2] == L'\\';
}

std::vector<std::size_t> ChannelSearchOrder(const LoaderOptions& options) {
    std::vector<std::size_t> order;
    for (std::size_t step = 0; step < kChannelCount; ++step) {
        const std::size_t channel =
            options.channelSearchKind == 1 ? kChannelCount - 1 - step : step;
        if (!options.releaseChannelsSet || (options.releaseChannelMask & (1u << channel)) != 0) {
            order.push_back(channel);
        }
    }
    return order;
}

std::wstring ClientLibraryPath(std::wstring_view folder) {
    std::wstring path(folder);
    path += L'\\';
    path += kClientLibraryBelowFolder;
    return path;
}

std::wstring HexCode(std::int32_t code) {
    wchar_t text[9];
    std::swprintf(text, 9, L"%08X", static_cast<std::uint32_t>(code));
    return text;
}

std::int32_t HresultFromWin32(std::uint32_t error) {
    if (static_cast<std::int32_t>(error) <= 0) {
        return static_cast<std::int32_t>(error);
    }
    return static_cast<std::int32_t>((error & 0xFFFFu) | 0x80070000u);
}

void ApplyOverrides(LoaderOptions& options, const OverrideSources& sources) {
    // Once the policy root is known to be missing, no later setting of this request reads policy.
    bool policyRootMissing = false;
    const auto policyAvailable = [&] {
        if (!policyRootMissing && !sources.policyRootExists()) {
            policyRootMissing = true;
        }
        return !policyRootMissing;
    };

    const auto applyFolder = [&](std::optional<std::wstring>& folder, std::wstring_view variable,
                                 std::wstring_view policy, bool allowStar) {
        if (auto text = sources.environment(variable)) {
            folder = std::move(*text);
        } else if (policyAvailable()) {
            if (auto value = sources.policyText(policy, allowStar, true)) {
                folder = std::move(*value);
            }
        }
    };
    applyFolder(options.browserExecutableFolder, L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                L"BrowserExecutableFolder", true);
    applyFolder(options.userDataFolder, L"WEBVIEW2_USER_DATA_FOLDER", L"UserDataFolder", false);

    if (auto text = sources.environment(L"WEBVIEW2_USE_EDGE_VIEW")) {
        options.edgeView = *text == L"1";
    }

    // In Edge view the catch-all policy value does not speak for the channel settings.
    const bool allowStar = !options.edgeView;
    if (auto text = sources.environment(L"WEBVIEW2_RELEASE_CHANNELS")) {
        if (!text->empty()) {
            options.releaseChannelMask = ParseChannelList(*text);
            options.releaseChannelsSet = true;
        }
    } else if (policyAvailable()) {
        if (auto value = sources.policyText(L"ReleaseChannels", allowStar, false)) {
            options.releaseChannelMask = ParseChannelList(*value);
            options.releaseChannelsSet = true;
        }
    }

    const auto applySearchKind = [&](std::wstring_view variable, std::wstring_view policy) {
        if (auto text = sources.environment(variable)) {
            options.channelSearchKind = LeadingInteger(*text) == 1 ? 1 : 0;
            options.channelSearchKindSet = true;
        } else if (policyAvailable()) {
            if (auto isOne = sources.policySearchKind(policy, allowStar)) {
                options.channelSearchKind = *isOne ? 1 : 0;
                options.channelSearchKindSet = true;
            }
        }
    };
    applySearchKind(L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"ChannelSearchKind");
    if (!options.channelSearchKindSet) {
        applySearchKind(L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", L"ReleaseChannelPreference");
    }
}

}  // namespace loader
