#include <gtest/gtest.h>

#include <map>

#include "loader/failure_event.h"
#include "loader/runtime_rules.h"

namespace {

using loader::LoaderOptions;

TEST(ChannelList, IndicesSetTheirBitsAndEverythingElseMeansStable) {
    const std::pair<const wchar_t*, std::uint32_t> cases[] = {{L"1,2", 0b00110},
                                                              {L"4", 0b10000},
                                                              {L"0,3", 0b01001},
                                                              {L"9", 0b00001},
                                                              {L"x", 0b00001},
                                                              {L"-1", 0b00001},
                                                              {L"1,x", 0b00011},
                                                              {L",,2,", 0b00100},
                                                              {L" 3", 0b01000},
                                                              {L"2abc", 0b00100},
                                                              {L"", 0},
                                                              {L",", 0},
                                                              {L"99999999999999999999", 0b00001}};
    for (const auto& [text, mask] : cases) {
        EXPECT_EQ(loader::ParseChannelList(text), mask) << std::wstring(text).size();
    }
}

TEST(RuntimeVersion, ReadFromTheFolderNameAndComparedWithTheMinimum) {
    using V = loader::RuntimeVersion;
    EXPECT_EQ(loader::VersionOfFolder(L"C:\\rt\\86.0.616.0"), (V{86, 0, 616, 0}));
    EXPECT_EQ(loader::VersionOfFolder(L"C:\\rt\\120.1"), (V{120, 1, 0, 0}));
    EXPECT_EQ(loader::VersionOfFolder(L"87.0.1.2.3"), (V{87, 0, 1, 2}));
    EXPECT_EQ(loader::VersionOfFolder(L"C:\\rt\\90.x"), (V{90, 0, 0, 0}));
    EXPECT_FALSE(loader::VersionOfFolder(L"C:\\rt\\beta"));
    EXPECT_FALSE(loader::VersionOfFolder(L"C:\\rt\\"));

    EXPECT_TRUE(loader::IsAcceptableVersion({86, 0, 616, 0}));
    EXPECT_TRUE(loader::IsAcceptableVersion({86, 0, 617, 0}));
    EXPECT_TRUE(loader::IsAcceptableVersion({87, 0, 0, 0}));
    EXPECT_FALSE(loader::IsAcceptableVersion({85, 0, 1, 0}));
    EXPECT_FALSE(loader::IsAcceptableVersion({86, 0, 615, 99}));
}

TEST(FixedFolder, AbsoluteOnlyWithADriveOrTwoBackslashes) {
    EXPECT_TRUE(loader::IsAbsoluteFolder(L"C:\\rt"));
    EXPECT_TRUE(loader::IsAbsoluteFolder(L"z:\\"));
    EXPECT_TRUE(loader::IsAbsoluteFolder(L"\\\\server\\share"));
    EXPECT_FALSE(loader::IsAbsoluteFolder(L"C:rt"));
    EXPECT_FALSE(loader::IsAbsoluteFolder(L"C:/rt"));
    EXPECT_FALSE(loader::IsAbsoluteFolder(L"\\rt"));
    EXPECT_FALSE(loader::IsAbsoluteFolder(L"runtime"));
    EXPECT_FALSE(loader::IsAbsoluteFolder(L"\\\\"));
    EXPECT_EQ(loader::ClientLibraryPath(L"C:\\rt"),
              L"C:\\rt\\EBWebView\\x64\\EmbeddedBrowserWebView.dll");
}

TEST(ChannelOrder, StableFirstUnlessSearchKindOneAndOnlyMaskedChannels) {
    LoaderOptions options;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    options.channelSearchKind = 1;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{4, 3, 2, 1, 0}));
    options.releaseChannelsSet = true;
    options.releaseChannelMask = 0b00110;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{2, 1}));
    options.channelSearchKind = 2;
    EXPECT_EQ(loader::ChannelSearchOrder(options), (std::vector<std::size_t>{1, 2}));
}

TEST(DiagnosticCodes, EightUpperCaseDigitsAndWin32ErrorsInTheLowHalf) {
    EXPECT_EQ(loader::HexCode(static_cast<std::int32_t>(0x80070002)), L"80070002");
    EXPECT_EQ(loader::HexCode(0x7E), L"0000007E");
    EXPECT_EQ(static_cast<std::uint32_t>(loader::HresultFromWin32(2)), 0x80070002u);
    EXPECT_EQ(static_cast<std::uint32_t>(loader::HresultFromWin32(193)), 0x800700C1u);
    EXPECT_EQ(loader::HresultFromWin32(0), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(loader::HresultFromWin32(0x80004005)), 0x80004005u);
}

// Sources backed by maps; counts how often the policy root was probed.
struct FakeSources {
    std::map<std::wstring, std::wstring> environment;
    std::map<std::wstring, std::wstring> policy;
    std::map<std::wstring, std::wstring> starPolicy;  // the catch-all "*" value names
    bool policyRoot = true;
    int probes = 0;

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
        sources.policyRootExists = [this] {
            ++probes;
            return policyRoot;
        };
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

TEST(Overrides, VariableBeatsPolicyBeatsCallerAndAnEmptyVariableStillCounts) {
    FakeSources fake;
    fake.policy[L"UserDataFolder"] = L"C:\\policy";
    LoaderOptions caller;
    caller.userDataFolder = L"C:\\caller";
    EXPECT_EQ(Apply(fake, caller).userDataFolder, L"C:\\policy");

    fake.environment[L"WEBVIEW2_USER_DATA_FOLDER"] = L"C:\\variable";
    EXPECT_EQ(Apply(fake, caller).userDataFolder, L"C:\\variable");

    fake.environment[L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"] = L"";
    fake.policy[L"BrowserExecutableFolder"] = L"C:\\policy-runtime";
    EXPECT_EQ(Apply(fake).browserExecutableFolder, L"");
}

TEST(Overrides, CatchAllPolicyIgnoredForTheUserDataFolderAndForChannelsInEdgeView) {
    FakeSources fake;
    fake.starPolicy[L"UserDataFolder"] = L"C:\\star";
    fake.starPolicy[L"BrowserExecutableFolder"] = L"C:\\star-runtime";
    fake.starPolicy[L"ReleaseChannels"] = L"2";
    LoaderOptions options = Apply(fake);
    EXPECT_FALSE(options.userDataFolder);
    EXPECT_EQ(options.browserExecutableFolder, L"C:\\star-runtime");
    EXPECT_TRUE(options.releaseChannelsSet);

    fake.environment[L"WEBVIEW2_USE_EDGE_VIEW"] = L"1";
    options = Apply(fake);
    EXPECT_TRUE(options.edgeView);
    EXPECT_FALSE(options.releaseChannelsSet);

    fake.environment[L"WEBVIEW2_USE_EDGE_VIEW"] = L"true";
    EXPECT_FALSE(Apply(fake).edgeView);
}

TEST(Overrides, ChannelSettingsFromVariables) {
    FakeSources fake;
    fake.environment[L"WEBVIEW2_RELEASE_CHANNELS"] = L"1,2";
    fake.environment[L"WEBVIEW2_CHANNEL_SEARCH_KIND"] = L" 1";
    LoaderOptions options = Apply(fake);
    EXPECT_TRUE(options.releaseChannelsSet);
    EXPECT_EQ(options.releaseChannelMask, 0b110u);
    EXPECT_TRUE(options.channelSearchKindSet);
    EXPECT_EQ(options.channelSearchKind, 1u);

    // An empty list sets nothing; a search kind that is not 1 is still a decision.
    fake.environment[L"WEBVIEW2_RELEASE_CHANNELS"] = L"";
    fake.environment[L"WEBVIEW2_CHANNEL_SEARCH_KIND"] = L"2";
    fake.environment[L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"] = L"1";
    options = Apply(fake);
    EXPECT_FALSE(options.releaseChannelsSet);
    EXPECT_TRUE(options.channelSearchKindSet);
    EXPECT_EQ(options.channelSearchKind, 0u);
}

TEST(Overrides, OlderSearchKindNameOnlyWhenTheNewOneSaysNothing) {
    FakeSources fake;
    fake.environment[L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"] = L"1";
    EXPECT_EQ(Apply(fake).channelSearchKind, 1u);
    fake.policy[L"ChannelSearchKind"] = L"0";
    const LoaderOptions options = Apply(fake);
    EXPECT_TRUE(options.channelSearchKindSet);
    EXPECT_EQ(options.channelSearchKind, 0u);
}

TEST(Overrides, MissingPolicyRootIsProbedOnceAndThenTrusted) {
    FakeSources fake;
    fake.policyRoot = false;
    fake.policy[L"UserDataFolder"] = L"C:\\unreachable";
    EXPECT_FALSE(Apply(fake).userDataFolder);
    EXPECT_EQ(fake.probes, 1);

    // The first setting's variable being set defers the probe to the next setting.
    fake.probes = 0;
    fake.environment[L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"] = L"C:\\rt";
    Apply(fake);
    EXPECT_EQ(fake.probes, 1);

    fake.probes = 0;
    fake.policyRoot = true;
    fake.environment.clear();
    Apply(fake);
    EXPECT_EQ(fake.probes, 5);
}

TEST(FailureEvent, MetadataDescribesProviderEventAndFields) {
    const std::string traits = loader::ProviderTraits();
    const std::string expectedTraits =
        std::string("\x34\x00", 2) + "Microsoft.MSEdgeWebView.Loader" + std::string(1, '\0') +
        std::string("\x13\x00\x01", 3) +
        "\x1A\x73\x50\x4F\xCF\x89\x82\x47\xB3\xE0\xDC\xE8\xC9\x04\x76\xBA";
    EXPECT_EQ(traits, expectedTraits);

    const std::string metadata = loader::FailureEventMetadata();
    std::string body =
        std::string(1, '\0') + "CreateWebViewEnvironmentError" + std::string(1, '\0');
    body += std::string("HRESULT\0\x87\x0F", 10);
    body += std::string("ClientDllFound\0\x84\x03", 17);
    body += std::string("InstalledRuntime\0\x84\x03", 19);
    body += std::string("PartA_PrivTags\0\x0A", 16);
    ASSERT_EQ(metadata.size(), body.size() + 2);
    EXPECT_EQ(static_cast<unsigned char>(metadata[0]), metadata.size());
    EXPECT_EQ(metadata.substr(2), body);

    EXPECT_EQ(loader::FailureEventFields(static_cast<std::int32_t>(0x80070002), true, false),
              std::string("\x02\x00\x07\x80\x01\x00\x00\x00\x00\x01\x00\x00\x00\x00", 14));
    EXPECT_EQ(loader::ProviderIdBytes(),
              "\x7E\xDD\x1D\x95\xFF\xF2\x3F\x5B\x71\x37\xE2\xF1\xA0\xDD\x98\x04");
}

TEST(FailureEvent, WrittenOnlyForSessionsAskingForErrorsWithItsKeyword) {
    EXPECT_TRUE(loader::SessionWantsFailureEvent(0, 0, 0));
    EXPECT_TRUE(loader::SessionWantsFailureEvent(2, 0x400000000000, 0));
    EXPECT_TRUE(loader::SessionWantsFailureEvent(5, 0xFFFFFFFFFFFFFFFF, 0x400000000000));
    EXPECT_FALSE(loader::SessionWantsFailureEvent(1, 0, 0));
    EXPECT_FALSE(loader::SessionWantsFailureEvent(4, 0x1, 0));
    EXPECT_FALSE(loader::SessionWantsFailureEvent(4, 0, 0x400000000001));
}

}  // namespace
