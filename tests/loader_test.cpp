// The loader end to end: real registry, environment and files (under Wine in CI), reaching copies
// of the test runtime laid out as installed runtimes.

#include <gtest/gtest.h>

#include <optional>

#include "loader/loader_options.h"
#include "loader/runtime_rules.h"
#include "loader/webview2_loader.h"
#include "loader/windows/runtime_search.h"
#include "tests/debug_output_capture.h"
#include "tests/scratch_directory.h"
#include "tests/webview_harness.h"
#include "webview2/com_object.h"
#include "webview2/wide_text.h"

namespace {

using loader::kReleaseChannels;

constexpr const wchar_t* kLoaderVariables[] = {
    L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",  L"WEBVIEW2_USER_DATA_FOLDER",
    L"WEBVIEW2_RELEASE_CHANNELS",           L"WEBVIEW2_CHANNEL_SEARCH_KIND",
    L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", L"WEBVIEW2_USE_EDGE_VIEW"};

// What the caller's completion handler heard.
struct Completion {
    int calls = 0;
    HRESULT result = S_OK;
    ComPtr<ICoreWebView2Environment> environment;
};

class Loader : public testing::Test {
  protected:
    void SetUp() override {
        RemoveRuntimeRegistrations();
        for (const wchar_t* name : kLoaderVariables) {
            variables_.push_back(std::make_unique<ScopedVariable>(name, nullptr));
        }
    }
    void TearDown() override {
        PumpMessages();
        RemoveRuntimeRegistrations();
        variables_.clear();
    }

    void Set(const wchar_t* name, const wchar_t* value) {
        variables_.push_back(std::make_unique<ScopedVariable>(name, value));
    }

    // A runtime copy registered for `channel` in `hive`.
    RuntimeCopy Register(std::size_t channel, const std::wstring& version,
                         HKEY hive = HKEY_LOCAL_MACHINE) {
        RuntimeCopy copy = InstallRuntimeCopy(scratch_.path() / std::to_wstring(channel) / version);
        WriteRegistryText(hive,
                          std::wstring(loader::kClientStateKey) +
                              std::wstring(kReleaseChannels[channel].clientId),
                          L"EBWebView", copy.folder, true);
        return copy;
    }

    HRESULT Create(const wchar_t* folder = nullptr, const wchar_t* userData = L"C:\\caller-data") {
        auto handler = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            [this](HRESULT result, ICoreWebView2Environment* environment) {
                ++completion_.calls;
                completion_.result = result;
                completion_.environment = environment;
                return S_OK;
            });
        const HRESULT result =
            CreateCoreWebView2EnvironmentWithOptions(folder, userData, nullptr, handler.Get());
        PumpMessages();
        return result;
    }

    ScratchDirectory scratch_;
    Completion completion_;

  private:
    std::vector<std::unique_ptr<ScopedVariable>> variables_;
};

TEST_F(Loader, StableRegisteredInEitherHiveIsPreferredOverBeta) {
    RuntimeCopy beta = Register(1, L"120.0.0.0");
    RuntimeCopy stable = Register(0, L"86.0.616.0", HKEY_CURRENT_USER);
    ASSERT_EQ(Create(), S_OK);
    const auto calls = stable.control->EnvironmentCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].checkRunningInstance, TRUE);
    EXPECT_EQ(calls[0].runtimeKind, 0u);
    EXPECT_EQ(calls[0].userDataFolder, L"C:\\caller-data");
    EXPECT_FALSE(calls[0].hadOptions);
    EXPECT_TRUE(beta.control->EnvironmentCalls().empty());
    EXPECT_EQ(completion_.calls, 1);
    EXPECT_EQ(completion_.result, S_OK);
    EXPECT_TRUE(completion_.environment);
}

TEST_F(Loader, ChannelVariablesChooseTheRuntime) {
    RuntimeCopy stable = Register(0, L"100.0.0.0");
    RuntimeCopy beta = Register(1, L"110.0.0.0");
    RuntimeCopy canary = Register(3, L"130.0.0.0");
    Set(L"WEBVIEW2_RELEASE_CHANNELS", L"2,1");
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(beta.control->EnvironmentCalls().size(), 1u);
    Set(L"WEBVIEW2_RELEASE_CHANNELS", L"3,9");
    Set(L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"1");
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(canary.control->EnvironmentCalls().size(), 1u);
    EXPECT_TRUE(stable.control->EnvironmentCalls().empty());
}

TEST_F(Loader, VariablesAndPoliciesOverrideTheCaller) {
    RuntimeCopy named = InstallRuntimeCopy(scratch_.path() / L"named");
    RuntimeCopy star = InstallRuntimeCopy(scratch_.path() / L"star");
    RuntimeCopy user = InstallRuntimeCopy(scratch_.path() / L"user");
    const std::wstring policy = std::wstring(loader::kPolicyRoot) + L"BrowserExecutableFolder";
    WriteRegistryText(HKEY_LOCAL_MACHINE, policy, L"*", star.folder, false);
    WriteRegistryText(HKEY_LOCAL_MACHINE, policy, L"webview_tests.exe", named.folder, false);
    WriteRegistryText(HKEY_CURRENT_USER, policy, L"webview_tests.exe", user.folder, false);
    WriteRegistryText(HKEY_LOCAL_MACHINE, std::wstring(loader::kPolicyRoot) + L"UserDataFolder",
                      L"*", L"C:\\star-data", false);
    ASSERT_EQ(Create(), S_OK);
    Set(L"WEBVIEW2_USER_DATA_FOLDER", L"C:\\variable-data");
    ASSERT_EQ(Create(), S_OK);
    const auto calls = named.control->EnvironmentCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].runtimeKind, 1u);
    EXPECT_EQ(calls[0].userDataFolder, L"C:\\caller-data");
    EXPECT_EQ(calls[1].userDataFolder, L"C:\\variable-data");
    EXPECT_TRUE(star.control->EnvironmentCalls().empty());
    EXPECT_TRUE(user.control->EnvironmentCalls().empty());
}

TEST_F(Loader, TooOldVersionIsSkippedWithItsTextAndTheSearchGoesOn) {
    RuntimeCopy old = Register(0, L"85.0.1.0");
    RuntimeCopy beta = Register(1, L"86.0.616.0");
    DebugOutputCapture output;
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(output.Take(),
              "WebView2: skipped an incompatible version " + Utf8FromWide(old.folder) + "\n");
    EXPECT_TRUE(old.control->EnvironmentCalls().empty());
    EXPECT_EQ(beta.control->EnvironmentCalls().size(), 1u);
}

TEST_F(Loader, RelativeBrowserFolderIsTakenFromTheExecutablesFolder) {
    wchar_t executable[MAX_PATH];
    GetModuleFileNameW(nullptr, executable, MAX_PATH);
    // A loaded library cannot be deleted, so the copy stays until the next run starts.
    const std::wstring relative = L"loader-test-runtime";
    const auto folder = std::filesystem::path(executable).parent_path() / relative;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    RuntimeCopy copy = InstallRuntimeCopy(folder);
    Set(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", relative.c_str());
    EXPECT_EQ(Create(), S_OK);
    const auto calls = copy.control->EnvironmentCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].runtimeKind, 1u);
}

TEST_F(Loader, EdgeViewUsesTheBrowsersOwnRegistration) {
    RuntimeCopy edge = InstallRuntimeCopy(scratch_.path() / L"edge" / L"110.0.0.0");
    WriteRegistryText(HKEY_LOCAL_MACHINE, std::wstring(loader::kEdgeClientsKey), L"location",
                      (scratch_.path() / L"edge").wstring(), true);
    WriteRegistryText(HKEY_LOCAL_MACHINE, std::wstring(loader::kEdgeClientsKey), L"pv",
                      L"110.0.0.0", true);
    Set(L"WEBVIEW2_USE_EDGE_VIEW", L"1");
    ASSERT_EQ(Create(), S_OK);
    const auto calls = edge.control->EnvironmentCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].runtimeKind, 2u);
}

TEST_F(Loader, FailedCompletionIsRetriedOnceAndRejectionsAreReturned) {
    RuntimeCopy once = Register(0, L"100.0.0.1");
    once.control->FailEnvironment(E_ABORT, true, 1);
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(once.control->EnvironmentCalls().size(), 2u);
    EXPECT_EQ(completion_.calls, 1);
    EXPECT_TRUE(completion_.environment);

    RuntimeCopy always = Register(0, L"100.0.0.2");
    always.control->FailEnvironment(E_ABORT, true, 5);
    completion_ = {};
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(always.control->EnvironmentCalls().size(), 2u);
    EXPECT_EQ(completion_.calls, 1);
    EXPECT_EQ(completion_.result, E_ABORT);

    // The runtime disappears before its failed completion arrives: the retry fails at once.
    RuntimeCopy vanishing = Register(0, L"100.0.0.3");
    vanishing.control->HoldCompletions(true);
    vanishing.control->FailEnvironment(E_ABORT, true, 1);
    completion_ = {};
    ASSERT_EQ(Create(), S_OK);
    RemoveRuntimeRegistrations();
    vanishing.control->ReleaseCompletions();
    PumpMessages();
    EXPECT_EQ(completion_.calls, 1);
    EXPECT_EQ(completion_.result, static_cast<HRESULT>(0x80070002));

    RuntimeCopy refusing = Register(0, L"100.0.0.4");
    refusing.control->FailEnvironment(E_ACCESSDENIED, false, 1);
    completion_ = {};
    DebugOutputCapture output;
    EXPECT_EQ(Create(), E_ACCESSDENIED);
    EXPECT_EQ(output.Take(), "");
    EXPECT_EQ(completion_.calls, 0);
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, nullptr),
              E_POINTER);
}

TEST_F(Loader, FailureTexts) {
    {
        DebugOutputCapture output;
        EXPECT_EQ(Create(), static_cast<HRESULT>(0x80070002));
        EXPECT_EQ(output.Take(),
                  "WebView2: Failed to find an installed WebView2 runtime or non-stable Microsoft "
                  "Edge installation.\n");
    }
    {
        const std::wstring missing = (scratch_.path() / L"missing").wstring();
        DebugOutputCapture output;
        EXPECT_EQ(Create(missing.c_str()), static_cast<HRESULT>(0x80070002));
        EXPECT_EQ(output.Take(),
                  "WebView2: Failed to find the WebView2 client dll at: " + Utf8FromWide(missing) +
                      "\\EBWebView\\x64\\EmbeddedBrowserWebView.dll\n");
    }
    {
        const auto folder = scratch_.path() / L"not-a-library";
        const auto text = scratch_.Write("text.dll", "this is no library");
        const std::wstring path = PlaceAsClientLibrary(folder, text);
        DebugOutputCapture output;
        const HRESULT result = Create(folder.wstring().c_str());
        EXPECT_TRUE(FAILED(result));
        EXPECT_EQ(output.Take(),
                  "WebView2: CoreWebView2Environment failed when trying to LoadLibrary: hr=0x" +
                      Utf8FromWide(loader::HexCode(result)) + " path=" + Utf8FromWide(path) + "\n");
    }
    {
        const auto folder = scratch_.path() / L"empty";
        PlaceAsClientLibrary(folder, EmptyLibrary());
        DebugOutputCapture output;
        EXPECT_EQ(Create(folder.wstring().c_str()), static_cast<HRESULT>(0x8007007F));
        EXPECT_EQ(output.Take(),
                  "WebView2: CoreWebView2Environment failed when trying to call into "
                  "EmbeddedBrowserWebView.dll. hr=0x8007007F\n");
    }
    EXPECT_EQ(completion_.calls, 0);
}

// The package graph walk, reached through fake system functions.
struct FakePackages {
    static inline int created = 0;
    static inline int added = 0;
    static inline bool answerSize = true;
    static inline std::vector<BYTE> graph;
    static inline UINT32 count = 0;

    static HRESULT WINAPI TryCreate(PSID, PCWSTR, loader::PackageVersion, INT32, INT32, PCWSTR,
                                    INT32, PWSTR* id) {
        ++created;
        *id = static_cast<PWSTR>(HeapAlloc(GetProcessHeap(), 0, 4 * sizeof(wchar_t)));
        wcscpy(*id, L"dep");
        return S_OK;
    }
    static HRESULT WINAPI Add(PCWSTR id, INT32 rank, INT32, void**, PWSTR*) {
        added += (std::wstring(id) == L"dep" && rank == 0) ? 1 : 0;
        return S_OK;
    }
    static LONG WINAPI Info(UINT32 flags, UINT32* length, BYTE* buffer, UINT32* entries) {
        if (flags != 0x00180001 || !answerSize) {
            return ERROR_NOT_FOUND;
        }
        if (buffer == nullptr || *length < graph.size()) {
            *length = static_cast<UINT32>(graph.size());
            return ERROR_INSUFFICIENT_BUFFER;
        }
        std::copy(graph.begin(), graph.end(), buffer);
        *entries = count;
        return ERROR_SUCCESS;
    }
};

struct PackageIdLayout {
    UINT32 reserved;
    UINT32 architecture;
    UINT64 version;
    PWSTR name, publisher, resourceId, publisherId;
};
struct PackageInfoLayout {
    UINT32 reserved;
    UINT32 flags;
    PWSTR path, fullName, familyName;
    PackageIdLayout id;
};

TEST(PackageGraph, FirstEntryOfTheFamilyIgnoringCaseGivesFolderAndVersion) {
    static wchar_t otherFamily[] = L"Some.Other_8wekyb3d8bbwe";
    static wchar_t family[] = L"MICROSOFT.WEBVIEW2RUNTIME.BETA_8WEKYB3D8BBWE";
    static wchar_t otherPath[] = L"C:\\other";
    static wchar_t path[] = L"C:\\packages\\beta";
    static wchar_t laterPath[] = L"C:\\packages\\later";
    PackageInfoLayout entries[3] = {};
    entries[0].path = otherPath;
    entries[0].familyName = otherFamily;
    entries[1].path = path;
    entries[1].familyName = family;
    entries[1].id.version = (UINT64{120} << 48) | (UINT64{1} << 32) | (UINT64{2} << 16) | 3;
    entries[2].path = laterPath;
    entries[2].familyName = family;
    FakePackages::graph.assign(reinterpret_cast<BYTE*>(entries),
                               reinterpret_cast<BYTE*>(entries) + sizeof entries);
    FakePackages::count = 3;
    FakePackages::created = FakePackages::added = 0;

    loader::PackageFunctions functions;
    functions.tryCreatePackageDependency = FakePackages::TryCreate;
    functions.addPackageDependency = FakePackages::Add;
    functions.getCurrentPackageInfo = FakePackages::Info;

    auto found = loader::FindPackagedRuntime(functions, kReleaseChannels[1].packageFamilyName);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->folder, L"C:\\packages\\beta");
    EXPECT_EQ(found->version, (loader::RuntimeVersion{120, 1, 2, 3}));
    EXPECT_EQ(FakePackages::created, 1);
    EXPECT_EQ(FakePackages::added, 1);

    EXPECT_FALSE(loader::FindPackagedRuntime(functions, kReleaseChannels[2].packageFamilyName));
    FakePackages::answerSize = false;
    EXPECT_FALSE(loader::FindPackagedRuntime(functions, kReleaseChannels[1].packageFamilyName));

    functions.addPackageDependency = nullptr;
    FakePackages::answerSize = true;
    FakePackages::created = 0;
    EXPECT_FALSE(loader::FindPackagedRuntime(functions, kReleaseChannels[1].packageFamilyName));
    EXPECT_EQ(FakePackages::created, 0);
}

TEST_F(Loader, RejectedRegistrationStillLetsTheChannelsPackageBeFound) {
    Register(0, L"85.0.1.0");
    RuntimeCopy packaged = InstallRuntimeCopy(scratch_.path() / L"package");
    static wchar_t family[] = L"Microsoft.WebView2Runtime.Stable_8wekyb3d8bbwe";
    PackageInfoLayout entry = {};
    entry.path = packaged.folder.data();
    entry.familyName = family;
    entry.id.version = UINT64{100} << 48;
    FakePackages::graph.assign(reinterpret_cast<BYTE*>(&entry),
                               reinterpret_cast<BYTE*>(&entry) + sizeof entry);
    FakePackages::count = 1;
    FakePackages::answerSize = true;
    loader::LoaderOptions options;
    options.releaseChannelsSet = true;
    options.releaseChannelMask = 1;
    std::wstring client;
    EXPECT_EQ(
        loader::InstalledClientLibrary(
            options, {FakePackages::TryCreate, FakePackages::Add, FakePackages::Info}, client),
        S_OK);
    EXPECT_EQ(client, packaged.libraryPath);
}

}  // namespace
