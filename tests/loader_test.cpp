// The loader end to end: real registry, environment and files (under Wine in CI), reaching copies
// of the test runtime laid out as installed runtimes.

#include <gtest/gtest.h>

#include <cstring>

#include "loader/loader_options.h"
#include "loader/runtime_rules.h"
#include "loader/webview2_loader.h"
#include "loader/windows/runtime_search.h"
#include "tests/scratch_directory.h"
#include "tests/webview_harness.h"
#include "webview2/com_object.h"

namespace {

// The variables the loader reads, cleared for each test.
constexpr const wchar_t* kLoaderVariables[] = {
    L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",  L"WEBVIEW2_USER_DATA_FOLDER",
    L"WEBVIEW2_RELEASE_CHANNELS",           L"WEBVIEW2_CHANNEL_SEARCH_KIND",
    L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", L"WEBVIEW2_USE_EDGE_VIEW"};

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
    }

    // A runtime copy registered for the stable channel.
    RuntimeCopy Register(const std::wstring& version) {
        RuntimeCopy copy = InstallRuntimeCopy(scratch_.path() / version);
        WriteRegistryText(std::wstring(loader::kClientStateKey) +
                              std::wstring(loader::kReleaseChannels[0].clientId),
                          L"EBWebView", copy.folder);
        return copy;
    }

    // The call's result; `heard` counts the completions and keeps the last result.
    HRESULT Create() {
        auto handler = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            [this](HRESULT result, ICoreWebView2Environment*) {
                ++heard.first;
                heard.second = result;
                return S_OK;
            });
        const HRESULT result =
            CreateCoreWebView2EnvironmentWithOptions(nullptr, L"C:\\data", nullptr, handler.Get());
        PumpMessages();
        return result;
    }

    ScratchDirectory scratch_;
    std::pair<int, HRESULT> heard{0, S_OK};
    std::vector<std::unique_ptr<ScopedVariable>> variables_;
};

TEST_F(Loader, FailedCompletionIsRetriedOnceAndRejectionsAreReturned) {
    RuntimeCopy once = Register(L"100.0.0.1");
    once.control->FailEnvironment(E_ABORT, true, 1);
    ASSERT_EQ(Create(), S_OK);
    EXPECT_EQ(once.control->EnvironmentCalls().size(), 2u);
    EXPECT_EQ(heard, std::make_pair(1, S_OK));

    Register(L"100.0.0.4").control->FailEnvironment(E_ACCESSDENIED, false, 1);
    heard = {};
    EXPECT_EQ(Create(), E_ACCESSDENIED);
    EXPECT_EQ(heard.first, 0);
}

// The package graph, through fake system functions: one package of the stable channel's family.
struct FakePackages {
    struct Entry {
        UINT32 reserved, flags;
        PWSTR path, fullName, familyName;
        UINT32 idReserved, architecture;
        UINT64 version;
        PWSTR name, publisher, resourceId, publisherId;
    };
    static inline Entry entry{};

    static HRESULT WINAPI TryCreate(PSID, PCWSTR, loader::PackageVersion, INT32, INT32, PCWSTR,
                                    INT32, PWSTR* id) {
        *id = static_cast<PWSTR>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(wchar_t)));
        return S_OK;
    }
    static HRESULT WINAPI Add(PCWSTR, INT32, INT32, void**, PWSTR*) { return S_OK; }
    static LONG WINAPI Info(UINT32, UINT32* length, BYTE* buffer, UINT32* entries) {
        if (buffer == nullptr || *length < sizeof entry) {
            *length = sizeof entry;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        std::memcpy(buffer, &entry, sizeof entry);
        *entries = 1;
        return ERROR_SUCCESS;
    }
};

TEST_F(Loader, RejectedRegistrationStillLetsTheChannelsPackageBeFound) {
    Register(L"85.0.1.0");
    RuntimeCopy packaged = InstallRuntimeCopy(scratch_.path() / L"package");
    static wchar_t family[] = L"Microsoft.WebView2Runtime.Stable_8wekyb3d8bbwe";
    FakePackages::entry = {};
    FakePackages::entry.path = packaged.folder.data();
    FakePackages::entry.familyName = family;
    FakePackages::entry.version = UINT64{100} << 48;
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
