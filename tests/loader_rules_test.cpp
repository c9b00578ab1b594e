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

// Variables beat policies, which beat the caller; the catch-all policy never names the data
// folder.
TEST(Overrides, VariablesBeatPoliciesBeatTheCaller) {
    std::map<std::wstring, std::wstring> environment, policy, starPolicy;
    loader::OverrideSources sources;
    const auto lookup = [](const auto& map, std::wstring_view name) {
        const auto found = map.find(std::wstring(name));
        return found == map.end() ? std::nullopt : std::optional(found->second);
    };
    sources.environment = [&](std::wstring_view name) { return lookup(environment, name); };
    sources.policyRootExists = [] { return true; };
    sources.policyText = [&](std::wstring_view name, bool allowStar, bool) {
        const auto named = lookup(policy, name);
        return named || !allowStar ? named : lookup(starPolicy, name);
    };
    sources.policySearchKind = [](std::wstring_view, bool) { return std::optional<bool>(); };
    const auto apply = [&](LoaderOptions options) {
        loader::ApplyOverrides(options, sources);
        return options;
    };
    LoaderOptions caller;
    caller.userDataFolder = L"C:\\caller";
    starPolicy[L"UserDataFolder"] = L"C:\\star";
    EXPECT_EQ(apply(caller).userDataFolder, L"C:\\caller");
    policy[L"UserDataFolder"] = L"C:\\policy";
    EXPECT_EQ(apply(caller).userDataFolder, L"C:\\policy");
    environment[L"WEBVIEW2_USER_DATA_FOLDER"] = L"C:\\variable";
    EXPECT_EQ(apply(caller).userDataFolder, L"C:\\variable");
    environment[L"WEBVIEW2_RELEASE_CHANNELS"] = L"1,2";
    EXPECT_EQ(apply({}).releaseChannelMask, 0b110u);
}

}  // namespace
