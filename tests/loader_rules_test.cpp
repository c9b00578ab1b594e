#include <gtest/gtest.h>

#include <map>

#include "loader/runtime_rules.h"

namespace {

using loader::LoaderOptions;

TEST(LoaderRules, ChannelListsVersionsFoldersAndOrder) {
    // clang-format off
    const std::pair<const wchar_t*, std::uint32_t> lists[] = {
        {L"1,2", 0b00110}, {L"4", 0b10000}, {L"0,3", 0b01001}, {L"9", 0b00001}, {L"x", 0b00001},
        {L"-1", 0b00001}, {L"1,x", 0b00011}, {L",,2,", 0b00100}, {L" 3", 0b01000},
        {L"2abc", 0b00100}, {L"", 0}, {L",", 0}, {L"99999999999999999999", 0b00001}};
    // clang-format on
    for (const auto& [text, mask] : lists) {
        EXPECT_EQ(loader::ParseChannelList(text), mask) << std::wstring(text).size();
    }

    using V = loader::RuntimeVersion;
    EXPECT_EQ(loader::VersionOfFolder(L"C:\\rt\\86.0.616.0"), (V{86, 0, 616, 0}));
    EXPECT_EQ(loader::VersionOfFolder(L"C:\\rt\\90.x"), (V{90, 0, 0, 0}));
    EXPECT_FALSE(loader::VersionOfFolder(L"C:\\rt\\beta"));
    EXPECT_TRUE(loader::IsAcceptableVersion({86, 0, 616, 0}));
    EXPECT_FALSE(loader::IsAcceptableVersion({86, 0, 615, 99}));

    EXPECT_TRUE(loader::IsAbsoluteFolder(L"C:\\rt") &&
                loader::IsAbsoluteFolder(L"\\\\server\\share"));
    for (const wchar_t* relative : {L"C:rt", L"C:/rt", L"\\rt", L"\\\\"}) {
        EXPECT_FALSE(loader::IsAbsoluteFolder(relative));
    }

    LoaderOptions options;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    options.channelSearchKind = 1;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{4, 3, 2, 1, 0}));
    options.releaseChannelsSet = true;
    options.releaseChannelMask = 0b00110;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{2, 1}));
}

// Sources backed by maps.
struct FakeSources {
    std::map<std::wstring, std::wstring> environment;
    std::map<std::wstring, std::wstring> policy;
    std::map<std::wstring, std::wstring> starPolicy;  // the catch-all "*" value names

    std::optional<std::wstring> Policy(std::wstring_view name, bool allowStar) {
        const std::wstring key(name);
        if (policy.count(key) != 0) {
            return policy[key];
        }
        if (allowStar && starPolicy.count(key) != 0) {
            return starPolicy[key];
        }
        return std::nullopt;
    }

    loader::OverrideSources Sources() {
        loader::OverrideSources sources;
        sources.environment = [this](std::wstring_view name) -> std::optional<std::wstring> {
            const auto found = environment.find(std::wstring(name));
            return found == environment.end() ? std::nullopt : std::optional(found->second);
        };
        sources.policyRootExists = [] { return true; };
        sources.policyText = [this](std::wstring_view name, bool allowStar, bool allowEmpty) {
            auto value = Policy(name, allowStar);
            return value && (allowEmpty || !value->empty()) ? value : std::nullopt;
        };
        sources.policySearchKind = [this](std::wstring_view name, bool allowStar) {
            const auto value = Policy(name, allowStar);
            return value ? std::optional(*value == L"1") : std::nullopt;
        };
        return sources;
    }
};

LoaderOptions Apply(FakeSources& fake, LoaderOptions options = {}) {
    loader::ApplyOverrides(options, fake.Sources());
    return options;
}

TEST(Overrides, VariablesBeatPoliciesBeatTheCaller) {
    FakeSources fake;
    fake.policy[L"UserDataFolder"] = L"C:\\policy";
    LoaderOptions caller;
    caller.userDataFolder = L"C:\\caller";
    EXPECT_EQ(Apply(fake, caller).userDataFolder, L"C:\\policy");
    fake.environment[L"WEBVIEW2_USER_DATA_FOLDER"] = L"C:\\variable";
    EXPECT_EQ(Apply(fake, caller).userDataFolder, L"C:\\variable");
    // An empty variable still counts; the catch-all policy never names the data folder, and
    // names no channels in Edge view.
    fake.environment[L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"] = L"";
    fake.policy[L"BrowserExecutableFolder"] = L"C:\\policy-runtime";
    EXPECT_EQ(Apply(fake).browserExecutableFolder, L"");
    FakeSources star;
    star.starPolicy[L"UserDataFolder"] = L"C:\\star";
    star.starPolicy[L"ReleaseChannels"] = L"2";
    EXPECT_FALSE(Apply(star).userDataFolder);
    EXPECT_TRUE(Apply(star).releaseChannelsSet);
    star.environment[L"WEBVIEW2_USE_EDGE_VIEW"] = L"1";
    EXPECT_TRUE(Apply(star).edgeView && !Apply(star).releaseChannelsSet);

    // Channels from variables: an empty list sets nothing, a search kind other than 1 is still a
    // decision, and the older name counts only when the new one says nothing.
    FakeSources channels;
    channels.environment[L"WEBVIEW2_RELEASE_CHANNELS"] = L"1,2";
    channels.environment[L"WEBVIEW2_CHANNEL_SEARCH_KIND"] = L" 1";
    EXPECT_EQ(Apply(channels).releaseChannelMask, 0b110u);
    EXPECT_EQ(Apply(channels).channelSearchKind, 1u);
    channels.environment[L"WEBVIEW2_RELEASE_CHANNELS"] = L"";
    channels.environment[L"WEBVIEW2_CHANNEL_SEARCH_KIND"] = L"2";
    channels.environment[L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"] = L"1";
    EXPECT_FALSE(Apply(channels).releaseChannelsSet);
    EXPECT_EQ(Apply(channels).channelSearchKind, 0u);
    channels.environment.erase(L"WEBVIEW2_CHANNEL_SEARCH_KIND");
    EXPECT_EQ(Apply(channels).channelSearchKind, 1u);
}

}  // namespace
