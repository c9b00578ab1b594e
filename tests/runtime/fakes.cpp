// The test runtime: the client library's entry the loader calls, the objects the plug-in talks
// to, and the control surface the tests use. Each loaded copy of the library has its own state.
//
// Each fake lays out its vtable from the slot numbers of the SDK's interface definitions rather
// than from the project's declarations, so that a method the plug-in declares in the wrong slot
// fails the plug-in's tests here as well.

#include <atomic>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>

#include "platform/windows/this_module.h"
#include "tests/runtime/test_runtime.h"
#include "webview2/com_ptr.h"
#include "webview2/webview2.h"
#include "webview2/wide_text.h"

namespace {

using Slot = void*;

// A fake's first member is its vtable, as COM requires; slots 0 to 2 are IUnknown's. A slot the
// fake does not fill answers E_NOTIMPL, whatever its parameters: on x64 the caller cleans up.
struct FakeObject {
    const Slot* vtable = nullptr;
    std::atomic<ULONG> references{1};
    std::vector<GUID> interfaces;  // answered besides IUnknown
    void (*destroy)(FakeObject*) = nullptr;
};

template <typename Function>
Slot At(Function* function) {
    return reinterpret_cast<Slot>(function);
}

// A new fake with one reference, which the caller owns.
template <typename Fake, typename... Args>
Fake* NewFake(const std::vector<Slot>& vtable, std::vector<GUID> interfaces, Args&&... args) {
    Fake* fake = new Fake(std::forward<Args>(args)...);
    fake->vtable = vtable.data();
    fake->interfaces = std::move(interfaces);
    fake->destroy = [](FakeObject* object) { delete static_cast<Fake*>(object); };
    return fake;
}

inline IUnknown* AsUnknown(FakeObject* fake) {
    return reinterpret_cast<IUnknown*>(fake);
}

template <typename Fake>
Fake* AsFake(IUnknown* object) {
    return static_cast<Fake*>(reinterpret_cast<FakeObject*>(object));
}

// Calls slot 3, Invoke, of one of the plug-in's handler objects.
template <typename... Args>
HRESULT InvokeHandler(IUnknown* handler, Args... args) {
    using Function = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    const Slot* vtable = *reinterpret_cast<const Slot* const*>(handler);
    return reinterpret_cast<Function>(vtable[3])(handler, args...);
}

// The interfaces the plug-in and the loader ask for by identifier (the declarations' identifiers
// are checked against the SDK's in the slot test's neighbour).
const GUID kEnvironmentId = __uuidof(ICoreWebView2Environment);
const GUID kWebView22Id = __uuidof(ICoreWebView2_22);
const GUID kController2Id = __uuidof(ICoreWebView2Controller2);
const GUID kSettingsId = __uuidof(ICoreWebView2Settings);
const GUID kSettings3Id = __uuidof(ICoreWebView2Settings3);

// HRESULT_FROM_WIN32(ERROR_INVALID_STATE): what the runtime answers once a controller is closed.
constexpr HRESULT kClosedResult = static_cast<HRESULT>(0x8007139F);
constexpr UINT kCompletionMessage = WM_APP + 1;

using Handlers = std::vector<ComPtr<IUnknown>>;

struct PlannedFailure {
    HRESULT result = S_OK;
    bool inCompletion = false;
    int times = 0;

    // The failure due now at this point of a creation (at once or in the completion), S_OK if
    // none; each creation uses up at most one.
    HRESULT Take(bool atCompletion) {
        if (times <= 0 || inCompletion != atCompletion) {
            return S_OK;
        }
        --times;
        return result;
    }
};

struct RuntimeState {
    std::vector<EnvironmentCall> environmentCalls;
    std::vector<std::string> journal;
    std::vector<ComPtr<IUnknown>> controllers;
    PlannedFailure environmentFailure;
    PlannedFailure controllerFailure;
    HRESULT navigateResult = S_OK;
    bool holdCompletions = false;
    std::map<UINT_PTR, std::function<void()>> waiting;
    std::vector<UINT_PTR> held;
    UINT_PTR nextCompletion = 1;
    HWND messageWindow = nullptr;
};

RuntimeState& State() {
    static RuntimeState state;
    return state;
}

std::string Utf8(const wchar_t* text) {
    return text != nullptr ? Utf8FromWide(text) : "(null)";
}

template <typename T, typename Value>
HRESULT Give(T* out, Value value) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = value;
    return S_OK;
}

// A copy of a text for a caller that frees it with CoTaskMemFree.
HRESULT CopyOut(const std::wstring& text, LPWSTR* out) {
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
    return Give(out, copy);
}

// A vtable of `size` slots: IUnknown's three, E_NOTIMPL everywhere else, then `methods`.
std::vector<Slot> MakeVtable(std::size_t size,
                             std::initializer_list<std::pair<int, Slot>> methods) {
    struct Unknown {
        static HRESULT STDMETHODCALLTYPE QueryInterface(FakeObject* self, REFIID iid, void** out) {
            bool known = iid == __uuidof(IUnknown);
            for (const GUID& offered : self->interfaces) {
                known = known || iid == offered;
            }
            Give(out, known ? self : nullptr);
            if (!known) {
                return E_NOINTERFACE;
            }
            ++self->references;
            return S_OK;
        }
        static ULONG STDMETHODCALLTYPE AddRef(FakeObject* self) { return ++self->references; }
        static ULONG STDMETHODCALLTYPE Release(FakeObject* self) {
            const ULONG left = --self->references;
            if (left == 0) {
                self->destroy(self);
            }
            return left;
        }
        static HRESULT STDMETHODCALLTYPE NotImplemented() { return E_NOTIMPL; }
    };
    std::vector<Slot> vtable(size, At(Unknown::NotImplemented));
    vtable[0] = At(Unknown::QueryInterface);
    vtable[1] = At(Unknown::AddRef);
    vtable[2] = At(Unknown::Release);
    for (const auto& [slot, function] : methods) {
        vtable[static_cast<std::size_t>(slot)] = function;
    }
    return vtable;
}

LRESULT CALLBACK CompletionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kCompletionMessage) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto& waiting = State().waiting;
    if (const auto found = waiting.find(static_cast<UINT_PTR>(wParam)); found != waiting.end()) {
        std::function<void()> completion = std::move(found->second);
        waiting.erase(found);
        completion();
    }
    return 0;
}

// Completions arrive through the calling thread's message loop, as the runtime's do: through a
// message-only window per loaded copy, whose class name carries the module.
void PostCompletion(UINT_PTR id) {
    RuntimeState& state = State();
    if (state.messageWindow == nullptr) {
        const HMODULE module = platform::ThisModule();
        const std::wstring name =
            L"MarrowpeekTestRuntime" + std::to_wstring(reinterpret_cast<UINT_PTR>(module));
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = CompletionWindowProc;
        windowClass.hInstance = module;
        windowClass.lpszClassName = name.c_str();
        RegisterClassW(&windowClass);
        state.messageWindow = CreateWindowExW(0, name.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, module, nullptr);
    }
    PostMessageW(state.messageWindow, kCompletionMessage, id, 0);
}

void Complete(std::function<void()> completion) {
    RuntimeState& state = State();
    const UINT_PTR id = state.nextCompletion++;
    state.waiting.emplace(id, std::move(completion));
    if (state.holdCompletions) {
        state.held.push_back(id);
    } else {
        PostCompletion(id);
    }
}

template <typename Fake, typename... Args>
ComPtr<IUnknown> Make(const std::vector<Slot>& vtable, std::vector<GUID> interfaces,
                      Args&&... args) {
    return ComPtr<IUnknown>::Attach(
        AsUnknown(NewFake<Fake>(vtable, std::move(interfaces), std::forward<Args>(args)...)));
}

// The registration token is a structure of one 64-bit member, passed by pointer.
HRESULT Subscribe(Handlers& handlers, IUnknown* handler, INT64* token) {
    if (handler == nullptr || token == nullptr) {
        return E_POINTER;
    }
    handlers.emplace_back(handler);
    *token = static_cast<INT64>(handlers.size());
    return S_OK;
}

// ---- event arguments and responses; each fake's slot functions sit beside their slots.

struct Request : FakeObject {
    std::wstring uri;
};
struct Response : FakeObject {
    ResourceReply reply;
};
struct ResourceArgs : FakeObject {
    ComPtr<IUnknown> request, response;
};
struct MessageArgs : FakeObject {
    std::optional<std::wstring> text;
};
struct KeyArgs : FakeObject {
    INT32 kind = 0, lParam = 0;
    UINT key = 0;
    bool handled = false;
};
struct NavigationArgs : FakeObject {};

// clang-format off
const std::vector<Slot> kRequestSlots = MakeVtable(10, {
    {3, At(+[](Request* self, LPWSTR* uri) { return CopyOut(self->uri, uri); })}});
const std::vector<Slot> kResponseSlots = MakeVtable(10, {});
const std::vector<Slot> kResourceArgsSlots = MakeVtable(8, {
    {3, At(+[](ResourceArgs* self, IUnknown** request) { return Give(request, ComPtr(self->request).Detach()); })},
    {5, At(+[](ResourceArgs* self, IUnknown* response) { self->response = response; return S_OK; })}});
const std::vector<Slot> kMessageArgsSlots = MakeVtable(6, {
    {5, At(+[](MessageArgs* self, LPWSTR* text) {
        Give(text, nullptr);
        return self->text ? CopyOut(*self->text, text) : E_INVALIDARG;
    })}});
const std::vector<Slot> kKeyArgsSlots = MakeVtable(9, {
    {3, At(+[](KeyArgs* self, INT32* kind) { return Give(kind, self->kind); })},
    {4, At(+[](KeyArgs* self, UINT* key) { return Give(key, self->key); })},
    {5, At(+[](KeyArgs* self, INT32* lParam) { return Give(lParam, self->lParam); })},
    {8, At(+[](KeyArgs* self, BOOL handled) { self->handled = handled != FALSE; return S_OK; })}});
// clang-format on
// The plug-in reads nothing from a navigation's completion.
const std::vector<Slot> kNavigationArgsSlots = MakeVtable(6, {});

// ---- the web view, its settings and its controller

struct WebView : FakeObject {
    int controller = 0;
    bool closed = false;
    Handlers resourceHandlers, navigationHandlers, messageHandlers;
};

// Journals a call on controller `number`'s objects; once they are closed it fails.
HRESULT Note(const WebView& view, const std::string& call, HRESULT result = S_OK) {
    State().journal.push_back("c" + std::to_string(view.controller) + " " + call);
    return view.closed ? kClosedResult : result;
}

HRESULT Subscribe(const WebView& view, const char* event, Handlers& handlers, IUnknown* handler,
                  INT64* token) {
    return FAILED(Note(view, event)) ? kClosedResult : Subscribe(handlers, handler, token);
}

// The web view's settings, which answer for ICoreWebView2Settings3 as well.
struct Settings : FakeObject {
    explicit Settings(const WebView& owner) : view(owner) {}
    const WebView& view;
};

std::string Text(long long value) {
    return std::to_string(value);
}

// clang-format off
const std::vector<Slot> kSettingsSlots = MakeVtable(25, {
    {18, At(+[](Settings* self, BOOL on) { return Note(self->view, "put_IsZoomControlEnabled " + Text(on)); })},
    {24, At(+[](Settings* self, BOOL on) { return Note(self->view, "put_AreBrowserAcceleratorKeysEnabled " + Text(on)); })}});

const std::vector<Slot> kWebViewSlots = MakeVtable(125, {
    {3, At(+[](WebView* self, IUnknown** settings) {
        return Give(settings, Make<Settings>(kSettingsSlots, {kSettingsId, kSettings3Id}, *self).Detach());
    })},
    {5, At(+[](WebView* self, LPCWSTR uri) { return Note(*self, "Navigate " + Utf8(uri), State().navigateResult); })},
    {15, At(+[](WebView* self, IUnknown* handler, INT64* token) {
        return Subscribe(*self, "add_NavigationCompleted", self->navigationHandlers, handler, token);
    })},
    {32, At(+[](WebView* self, LPCWSTR json) { return Note(*self, "PostWebMessageAsJson " + Utf8(json)); })},
    {34, At(+[](WebView* self, IUnknown* handler, INT64* token) {
        return Subscribe(*self, "add_WebMessageReceived", self->messageHandlers, handler, token);
    })},
    {55, At(+[](WebView* self, IUnknown* handler, INT64* token) {
        return Subscribe(*self, "add_WebResourceRequested", self->resourceHandlers, handler, token);
    })},
    {123, At(+[](WebView* self, LPCWSTR uri, INT32 context, INT32 kinds) {
        return Note(*self, "AddWebResourceRequestedFilterWithRequestSourceKinds " + Utf8(uri) + " " +
                               Text(context) + " " + Text(kinds));
    })}});
// clang-format on

struct Controller : FakeObject {
    explicit Controller(int number) {
        webView = Make<WebView>(kWebViewSlots, {kWebView22Id});
        view().controller = number;
    }
    WebView& view() { return *AsFake<WebView>(webView.Get()); }

    ComPtr<IUnknown> webView;
    Handlers keyHandlers, focusHandlers;
};

// clang-format off
const std::vector<Slot> kControllerSlots = MakeVtable(28, {
    {4, At(+[](Controller* self, BOOL visible) { return Note(self->view(), "put_IsVisible " + Text(visible != FALSE)); })},
    {6, At(+[](Controller* self, RECT r) {
        return Note(self->view(), "put_Bounds " + Text(r.left) + " " + Text(r.top) + " " + Text(r.right) + " " + Text(r.bottom));
    })},
    {12, At(+[](Controller* self, INT32 reason) { return Note(self->view(), "MoveFocus " + Text(reason)); })},
    {15, At(+[](Controller* self, IUnknown* handler, INT64* token) {
        return Subscribe(self->view(), "add_GotFocus", self->focusHandlers, handler, token);
    })},
    {19, At(+[](Controller* self, IUnknown* handler, INT64* token) {
        return Subscribe(self->view(), "add_AcceleratorKeyPressed", self->keyHandlers, handler, token);
    })},
    {22, At(+[](Controller* self, HWND parent) { return Note(self->view(), "put_ParentWindow " + HandleText(parent)); })},
    {24, At(+[](Controller* self) {
        WebView& view = self->view();
        if (FAILED(Note(view, "Close"))) {
            return kClosedResult;
        }
        // Closing ends every subscription, as in the real runtime.
        view.closed = true;
        view.resourceHandlers = view.navigationHandlers = view.messageHandlers = {};
        self->keyHandlers = self->focusHandlers = {};
        return S_OK;
    })},
    {25, At(+[](Controller* self, IUnknown** webView) {
        Give(webView, self->view().closed ? nullptr : ComPtr(self->webView).Detach());
        return self->view().closed ? kClosedResult : S_OK;
    })},
    // COREWEBVIEW2_COLOR: four bytes passed by value in one register, A lowest.
    {27, At(+[](Controller* self, UINT32 color) {
        return Note(self->view(), "put_DefaultBackgroundColor " + Text(color & 0xFF) + " " + Text((color >> 8) & 0xFF) +
                                      " " + Text((color >> 16) & 0xFF) + " " + Text(color >> 24));
    })}});
// clang-format on

// ---- the environment

HRESULT CreateController(void*, HWND parent, IUnknown* handler) {
    RuntimeState& state = State();
    const int number = static_cast<int>(state.controllers.size()) + 1;
    state.journal.push_back("CreateCoreWebView2Controller c" + std::to_string(number) + " parent " +
                            HandleText(parent));
    if (handler == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT failure = state.controllerFailure.Take(false); FAILED(failure)) {
        return failure;
    }
    ComPtr caller(handler);
    if (const HRESULT failure = state.controllerFailure.Take(true); FAILED(failure)) {
        Complete([failure, caller] { InvokeHandler(caller.Get(), failure, nullptr); });
        return S_OK;
    }
    auto controller = Make<Controller>(kControllerSlots, {kController2Id}, number);
    state.controllers.push_back(controller);
    Complete([controller, caller] { InvokeHandler(caller.Get(), S_OK, controller.Get()); });
    return S_OK;
}

// The content is read at once, from the stream's current position, as the runtime reads it.
HRESULT CreateResponse(void*, IStream* content, int status, LPCWSTR reason, LPCWSTR headers,
                       IUnknown** response) {
    auto made = Make<Response>(kResponseSlots, {});
    ResourceReply& reply = AsFake<Response>(made.Get())->reply;
    reply = {status, reason ? reason : L"", headers ? headers : L"", {}};
    char chunk[4096];
    ULONG read = 0;
    while (content != nullptr && SUCCEEDED(content->Read(chunk, sizeof chunk, &read)) && read > 0) {
        reply.body.append(chunk, read);
    }
    return Give(response, made.Detach());
}

const std::vector<Slot> kEnvironmentSlots =
    MakeVtable(8, {{3, At(CreateController)}, {4, At(CreateResponse)}});

Controller* ControllerAt(int number) {
    auto& controllers = State().controllers;
    if (number < 1 || number > static_cast<int>(controllers.size())) {
        return nullptr;
    }
    return AsFake<Controller>(controllers[number - 1].Get());
}

template <typename Fake>
Fake& Args(const ComPtr<IUnknown>& args) {
    return *AsFake<Fake>(args.Get());
}

class Control final : public TestRuntime {
  public:
    void FailEnvironment(HRESULT result, bool inCompletion, int times) override {
        State().environmentFailure = {result, inCompletion, times};
    }
    void FailController(HRESULT result, bool inCompletion, int times) override {
        State().controllerFailure = {result, inCompletion, times};
    }
    void AnswerNavigate(HRESULT result) override { State().navigateResult = result; }
    void HoldCompletions(bool hold) override { State().holdCompletions = hold; }
    void ReleaseCompletions() override {
        for (UINT_PTR id : std::exchange(State().held, {})) {
            PostCompletion(id);
        }
    }
    std::vector<EnvironmentCall> EnvironmentCalls() override { return State().environmentCalls; }
    std::vector<std::string> Journal() override { return State().journal; }

    ResourceReply RaiseResourceRequest(int number, const std::wstring& uri) override {
        Controller* controller = ControllerAt(number);
        if (controller == nullptr) {
            return {};
        }
        auto request = Make<Request>(kRequestSlots, {});
        AsFake<Request>(request.Get())->uri = uri;
        auto args = Make<ResourceArgs>(kResourceArgsSlots, {});
        Args<ResourceArgs>(args).request = request;
        Raise(controller->view().resourceHandlers, controller->webView, args);
        const ComPtr<IUnknown>& response = Args<ResourceArgs>(args).response;
        return response ? AsFake<Response>(response.Get())->reply : ResourceReply{};
    }
    bool RaiseWebMessage(int number, const std::optional<std::wstring>& text) override {
        Controller* controller = ControllerAt(number);
        if (controller == nullptr || controller->view().messageHandlers.empty()) {
            return false;
        }
        auto args = Make<MessageArgs>(kMessageArgsSlots, {});
        Args<MessageArgs>(args).text = text;
        Raise(controller->view().messageHandlers, controller->webView, args);
        return true;
    }
    bool RaiseAcceleratorKey(int number, INT32 kind, UINT virtualKey, INT32 lParam) override {
        Controller* controller = ControllerAt(number);
        if (controller == nullptr) {
            return false;
        }
        auto args = Make<KeyArgs>(kKeyArgsSlots, {});
        Args<KeyArgs>(args).kind = kind;
        Args<KeyArgs>(args).key = virtualKey;
        Args<KeyArgs>(args).lParam = lParam;
        Raise(controller->keyHandlers, State().controllers[number - 1], args);
        return Args<KeyArgs>(args).handled;
    }
    void RaiseGotFocus(int number) override {
        if (Controller* controller = ControllerAt(number)) {
            Raise(controller->focusHandlers, State().controllers[number - 1], {});
        }
    }
    void CompleteNavigation(int number) override {
        if (Controller* controller = ControllerAt(number)) {
            Raise(controller->view().navigationHandlers, controller->webView,
                  Make<NavigationArgs>(kNavigationArgsSlots, {}));
        }
    }

  private:
    // To a copy of the list, so that a handler may do anything while it runs.
    static void Raise(Handlers handlers, const ComPtr<IUnknown>& sender,
                      const ComPtr<IUnknown>& args) {
        for (const auto& handler : handlers) {
            InvokeHandler(handler.Get(), sender.Get(), args.Get());
        }
    }
};

}  // namespace

extern "C" __declspec(dllexport) TestRuntime* TestRuntimeControl() {
    static Control control;
    return &control;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    CreateWebViewEnvironmentWithOptionsInternal(BOOL, UINT32, PCWSTR userDataFolder, IUnknown*,

                                                IUnknown* handler) {
    RuntimeState& state = State();
    state.environmentCalls.push_back(
        {userDataFolder ? std::optional<std::wstring>(userDataFolder) : std::nullopt});
    if (handler == nullptr) {
        return E_POINTER;
    }
    if (const HRESULT failure = state.environmentFailure.Take(false); FAILED(failure)) {
        return failure;
    }
    const HRESULT late = state.environmentFailure.Take(true);
    ComPtr caller(handler);
    if (FAILED(late)) {
        Complete([late, caller] { InvokeHandler(caller.Get(), late, nullptr); });
    } else {
        auto environment = Make<FakeObject>(kEnvironmentSlots, {kEnvironmentId});
        Complete([environment, caller] { InvokeHandler(caller.Get(), S_OK, environment.Get()); });
    }
    return S_OK;
}

// The library can tell when it may go, so the loader releases its own reference after the call;
// the tests keep theirs for as long as the objects live.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}
