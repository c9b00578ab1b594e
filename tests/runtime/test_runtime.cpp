// The test runtime's exports: the client library entry the loader calls, and the control surface
// the tests use.

#include "tests/runtime/fake_event_args.h"
#include "tests/runtime/fake_webview.h"

namespace {

using CompletedHandler = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

FakeController* ControllerAt(int number) {
    auto& controllers = State().controllers;
    if (number < 1 || number > static_cast<int>(controllers.size())) {
        return nullptr;
    }
    return controllers[number - 1].Get();
}

class Control final : public TestRuntime {
  public:
    void Reset() override {
        RuntimeState& state = State();
        for (auto& controller : state.controllers) {
            controller->Drop();
        }
        const HWND window = state.messageWindow;
        state = RuntimeState{};
        state.messageWindow = window;
    }
    void FailEnvironment(HRESULT result, bool inCompletion, int times) override {
        State().environmentFailure = {result, inCompletion, times};
    }
    void FailController(HRESULT result, bool inCompletion, int times) override {
        State().controllerFailure = {result, inCompletion, times};
    }
    void OfferWebView22(bool offered) override { State().offerWebView22 = offered; }
    void HoldCompletions(bool hold) override { State().holdCompletions = hold; }
    void ReleaseCompletions() override {
        for (UINT_PTR id : std::exchange(State().held, {})) {
            PostCompletion(id);
        }
    }
    std::vector<EnvironmentCall> EnvironmentCalls() override { return State().environmentCalls; }
    std::vector<std::string> Journal() override { return State().journal; }
    int ControllerCount() override { return static_cast<int>(State().controllers.size()); }
    ResourceReply RaiseResourceRequest(int controller, const std::wstring& uri) override {
        FakeController* target = ControllerAt(controller);
        return target != nullptr ? target->RaiseResourceRequest(uri) : ResourceReply{};
    }
    bool RaiseWebMessage(int controller, const std::wstring& json,
                         const std::optional<std::wstring>& text) override {
        FakeController* target = ControllerAt(controller);
        return target != nullptr && target->RaiseWebMessage(json, text);
    }
    bool RaiseAcceleratorKey(int controller, INT32 kind, UINT virtualKey, INT lParam) override {
        FakeController* target = ControllerAt(controller);
        return target != nullptr && target->RaiseAcceleratorKey(kind, virtualKey, lParam);
    }
    void CompleteNavigation(int controller, bool success) override {
        if (FakeController* target = ControllerAt(controller)) {
            target->CompleteNavigation(success);
        }
    }
};

}  // namespace

extern "C" __declspec(dllexport) TestRuntime* TestRuntimeControl() {
    static Control control;
    return &control;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    CreateWebViewEnvironmentWithOptionsInternal(BOOL checkRunningInstance, UINT32 runtimeKind,
                                                PCWSTR userDataFolder, IUnknown* environmentOptions,
                                                CompletedHandler* handler) {
    RuntimeState& state = State();
    EnvironmentCall call;
    call.checkRunningInstance = checkRunningInstance;
    call.runtimeKind = runtimeKind;
    if (userDataFolder != nullptr) {
        call.userDataFolder = userDataFolder;
    }
    call.hadOptions = environmentOptions != nullptr;
    state.environmentCalls.push_back(call);
    if (handler == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT failure = state.environmentFailure.Take(false); FAILED(failure)) {
        return failure;
    }
    const HRESULT late = state.environmentFailure.Take(true);
    ComPtr<CompletedHandler> caller(handler);
    if (FAILED(late)) {
        Complete([late, caller] { caller->Invoke(late, nullptr); });
    } else {
        auto environment = ComPtr<ICoreWebView2Environment>::Attach(new FakeEnvironment);
        Complete([environment, caller] { caller->Invoke(S_OK, environment.Get()); });
    }
    return S_OK;
}

// The library can tell when it may go, so the loader releases its own reference after the call;
// the tests keep theirs for as long as the objects live.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}
