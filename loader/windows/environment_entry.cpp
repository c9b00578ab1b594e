#include <new>

#include "loader/runtime_rules.h"
#include "loader/webview2_loader.h"
#include "loader/windows/client_library.h"
#include "loader/windows/failure_event_writer.h"
#include "loader/windows/optional_functions.h"
#include "loader/windows/override_sources.h"
#include "loader/windows/runtime_search.h"
#include "webview2/com_object.h"

namespace loader {
namespace {

using CompletedHandler = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

// An options object may switch Edge view on through this interface; its first method reads a
// 32-bit flag.
struct IEnvironmentOptionsEdgeView : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetFlag(UINT32* value) = 0;
};

}  // namespace
}  // namespace loader

__CRT_UUID_DECL(loader::IEnvironmentOptionsEdgeView, 0x0EA2394C, 0x96E6, 0x4AE3, 0x8F, 0x9A, 0x84,
                0x73, 0xAB, 0xEF, 0x37, 0x32)

namespace loader {
namespace {

// What the caller's options object says about the channels, where the environment and policies
// left them open.
void ApplyOptionsObject(LoaderOptions& options, IUnknown* object) {
    if (object == nullptr || (options.channelSearchKindSet && options.releaseChannelsSet)) {
        return;
    }
    ComPtr<ICoreWebView2EnvironmentOptions7> channels =
        ComPtr<IUnknown>(object).As<ICoreWebView2EnvironmentOptions7>();
    if (!channels) {
        return;
    }
    if (!options.channelSearchKindSet) {
        COREWEBVIEW2_CHANNEL_SEARCH_KIND kind = 0;
        if (SUCCEEDED(channels->get_ChannelSearchKind(&kind)) && kind == 1) {
            options.channelSearchKind = 1;
        }
    }
    if (!options.releaseChannelsSet) {
        COREWEBVIEW2_RELEASE_CHANNELS mask = 0;
        if (SUCCEEDED(channels->get_ReleaseChannels(&mask)) && mask != 0) {
            options.releaseChannelMask = static_cast<std::uint32_t>(mask);
            options.releaseChannelsSet = true;
        }
    }
}

bool OptionsAskForEdgeView(IUnknown* object) {
    if (object == nullptr) {
        return false;
    }
    auto edgeView = ComPtr<IUnknown>(object).As<IEnvironmentOptionsEdgeView>();
    UINT32 flag = 0;
    return edgeView && SUCCEEDED(edgeView->GetFlag(&flag)) && flag == 1;
}

HRESULT RunAttempt(const LoaderOptions& options, IUnknown* environmentOptions,
                   CompletedHandler* handler) {
    std::wstring clientPath;
    const bool fixedFolder =
        options.browserExecutableFolder && !options.browserExecutableFolder->empty();
    HRESULT result = fixedFolder
                         ? FixedFolderClientLibrary(*options.browserExecutableFolder, clientPath)
                         : InstalledClientLibrary(options, SystemPackageFunctions(), clientPath);
    const RuntimeKind kind = options.edgeView ? RuntimeKind::EdgeView
                             : fixedFolder    ? RuntimeKind::FixedFolder
                                              : RuntimeKind::Installed;
    const bool clientFound = SUCCEEDED(result);
    if (clientFound) {
        const wchar_t* userData =
            options.userDataFolder ? options.userDataFolder->c_str() : nullptr;
        result = CallClientLibrary(clientPath, kind, userData, environmentOptions, handler);
    }
    if (FAILED(result) && !options.edgeView) {
        WriteFailureEvent(result, clientFound, kind == RuntimeKind::Installed);
    }
    return result;
}

// Stands between the runtime and the caller's handler so that a creation that fails late gets
// one more full attempt, search included, before the caller hears of it.
class RetryCompletionHandler : public ComObject<CompletedHandler> {
  public:
    RetryCompletionHandler(LoaderOptions options, IUnknown* environmentOptions,
                           CompletedHandler* caller)
        : options_(std::move(options)), environmentOptions_(environmentOptions), caller_(caller) {}

    HRESULT Attempt() { return RunAttempt(options_, environmentOptions_.Get(), this); }

    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* result) override {
        try {
            if (FAILED(errorCode) && retriesLeft_ > 0) {
                --retriesLeft_;
                const HRESULT retried = Attempt();
                if (FAILED(retried)) {
                    caller_->Invoke(retried, nullptr);
                }
                return S_OK;
            }
            if (result == nullptr) {
                caller_->Invoke(errorCode, nullptr);
                return S_OK;
            }
            ComPtr<ICoreWebView2Environment> environment;
            const HRESULT query = result->QueryInterface(
                __uuidof(ICoreWebView2Environment), reinterpret_cast<void**>(environment.Put()));
            caller_->Invoke(query, environment.Get());
        } catch (...) {
            // The runtime is the caller here: nothing may unwind into it.
        }
        return S_OK;
    }

  private:
    LoaderOptions options_;
    ComPtr<IUnknown> environmentOptions_;
    ComPtr<CompletedHandler> caller_;
    int retriesLeft_ = 1;
};

}  // namespace
}  // namespace loader

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    using namespace loader;
    if (environmentCreatedHandler == nullptr) {
        return E_POINTER;
    }
    try {
        LoaderOptions options;
        if (browserExecutableFolder != nullptr) {
            options.browserExecutableFolder = browserExecutableFolder;
        }
        if (userDataFolder != nullptr) {
            options.userDataFolder = userDataFolder;
        }
        options.edgeView = OptionsAskForEdgeView(environmentOptions);
        ApplyOverrides(options, SystemOverrideSources());
        ApplyOptionsObject(options, environmentOptions);

        auto handler = ComPtr<RetryCompletionHandler>::Attach(new RetryCompletionHandler(
            std::move(options), environmentOptions, environmentCreatedHandler));
        return handler->Attempt();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
