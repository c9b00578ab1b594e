// The loader end to end: real registry, environment and files (under Wine in CI), reaching copies
// of the test runtime laid out as installed runtimes.

#include <gtest/gtest.h>

#include <optional>

#include "loader/loader_options.h"
#include "loader/runtime_rules.h"
#include "loader/webview2_loader.h"
#include "loader/windows/runtime_search.h"
#include "tests/scratch_directory.h"
#include "tests/webview_harness.h"
#include "webview2/com_object.h"

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

    // A runtime copy registered for `channel`.
    RuntimeCopy Register(std::size_t channel, const std::wstring& version) {
        RuntimeCopy copy = InstallRuntimeCopy(scratch_.path() / std::to_wstring(channel) / version);
        WriteRegistryText(HKEY_LOCAL_MACHINE,
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

TEST_F(Loader, FailedCompletionIsRetriedOnceAndRejectionsAreReturned) {
    RuntimeCopy once = Register(0, L"100.0.0.1");
    once.control->FailEnvironment(E_ABORT, true, 1);
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(once.control->EnvironmentCalls().size(), 2u);
    EXPECT_EQ(completion_.calls, 1);
    EXPECT_TRUE(completion_.environment);

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
    EXPECT_EQ(Create(), E_ACCESSDENIED);
    EXPECT_EQ(completion_.calls, 0);
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, nullptr),
              E_POINTER);
}

// The package graph walk, reached through fake system functions.
struct FakePackages {
    static inline std::vector<BYTE> graph;

    static HRESULT WINAPI TryCreate(PSID, PCWSTR, loader::PackageVersion, INT32, INT32, PCWSTR,
                                    INT32, PWSTR* id) {
        *id = static_cast<PWSTR>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(wchar_t)));
        return S_OK;
    }
    static HRESULT WINAPI Add(PCWSTR, INT32, INT32, void**, PWSTR*) { return S_OK; }
    static LONG WINAPI Info(UINT32, UINT32* length, BYTE* buffer, UINT32* entries) {
        if (buffer == nullptr || *length < graph.size()) {
            *length = static_cast<UINT32>(graph.size());
            return ERROR_INSUFFICIENT_BUFFER;
        }
        std::copy(graph.begin(), graph.end(), buffer);
        *entries = 1;
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
