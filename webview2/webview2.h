#pragma once

// The WebView2 COM interfaces the plug-in calls or implements, declared from the SDK's binary
// interface. Declaration order is the vtable order: never insert, reorder or drop a method here
// without checking the slot table in the tests.

#include <objidl.h>
#include <windows.h>

#include <cstdint>

struct EventRegistrationToken {
    std::int64_t value;
};

using COREWEBVIEW2_MOVE_FOCUS_REASON = std::int32_t;
using COREWEBVIEW2_KEY_EVENT_KIND = std::int32_t;
using COREWEBVIEW2_WEB_RESOURCE_CONTEXT = std::int32_t;
using COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS = std::int32_t;
using COREWEBVIEW2_WEB_ERROR_STATUS = std::int32_t;
using COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT = std::int32_t;
using COREWEBVIEW2_CHANNEL_SEARCH_KIND = std::int32_t;
using COREWEBVIEW2_RELEASE_CHANNELS = std::int32_t;

constexpr COREWEBVIEW2_MOVE_FOCUS_REASON COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0;
constexpr COREWEBVIEW2_KEY_EVENT_KIND COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN = 0;
constexpr COREWEBVIEW2_KEY_EVENT_KIND COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP = 1;
constexpr COREWEBVIEW2_KEY_EVENT_KIND COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN = 2;
constexpr COREWEBVIEW2_KEY_EVENT_KIND COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP = 3;
constexpr COREWEBVIEW2_WEB_RESOURCE_CONTEXT COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0;
constexpr COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS
    COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT = 1;

// Passed by value; the runtime accepts an alpha of 0 or 255 only.
struct COREWEBVIEW2_COLOR {
    BYTE A;
    BYTE R;
    BYTE G;
    BYTE B;
};

struct COREWEBVIEW2_PHYSICAL_KEY_STATUS {
    UINT32 RepeatCount;
    UINT32 ScanCode;
    BOOL IsExtendedKey;
    BOOL IsMenuKeyDown;
    BOOL WasKeyDown;
    BOOL IsKeyReleased;
};

// Interfaces that appear only as pointer types of methods the plug-in never calls.
struct ICoreWebView2Deferral;
struct ICoreWebView2HttpRequestHeaders;
struct ICoreWebView2HttpResponseHeaders;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2NewBrowserVersionAvailableEventHandler;
struct ICoreWebView2ZoomFactorChangedEventHandler;
struct ICoreWebView2MoveFocusRequestedEventHandler;
struct ICoreWebView2NavigationStartingEventHandler;
struct ICoreWebView2ContentLoadingEventHandler;
struct ICoreWebView2SourceChangedEventHandler;
struct ICoreWebView2HistoryChangedEventHandler;
struct ICoreWebView2ScriptDialogOpeningEventHandler;
struct ICoreWebView2PermissionRequestedEventHandler;
struct ICoreWebView2ProcessFailedEventHandler;
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler;
struct ICoreWebView2ExecuteScriptCompletedHandler;
struct ICoreWebView2CapturePreviewCompletedHandler;
struct ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;
struct ICoreWebView2NewWindowRequestedEventHandler;
struct ICoreWebView2DocumentTitleChangedEventHandler;
struct ICoreWebView2ContainsFullScreenElementChangedEventHandler;
struct ICoreWebView2WindowCloseRequestedEventHandler;

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2WebResourceResponse;

#define MARROWPEEK_METHOD(name) virtual HRESULT STDMETHODCALLTYPE name

struct ICoreWebView2WebResourceRequest : IUnknown {
    MARROWPEEK_METHOD(get_Uri)(LPWSTR* uri) = 0;
    MARROWPEEK_METHOD(put_Uri)(LPCWSTR uri) = 0;
    MARROWPEEK_METHOD(get_Method)(LPWSTR* method) = 0;
    MARROWPEEK_METHOD(put_Method)(LPCWSTR method) = 0;
    MARROWPEEK_METHOD(get_Content)(IStream** content) = 0;
    MARROWPEEK_METHOD(put_Content)(IStream* content) = 0;
    MARROWPEEK_METHOD(get_Headers)(ICoreWebView2HttpRequestHeaders** headers) = 0;
};

struct ICoreWebView2WebResourceResponse : IUnknown {
    MARROWPEEK_METHOD(get_Content)(IStream** content) = 0;
    MARROWPEEK_METHOD(put_Content)(IStream* content) = 0;
    MARROWPEEK_METHOD(get_Headers)(ICoreWebView2HttpResponseHeaders** headers) = 0;
    MARROWPEEK_METHOD(get_StatusCode)(int* statusCode) = 0;
    MARROWPEEK_METHOD(put_StatusCode)(int statusCode) = 0;
    MARROWPEEK_METHOD(get_ReasonPhrase)(LPWSTR* reasonPhrase) = 0;
    MARROWPEEK_METHOD(put_ReasonPhrase)(LPCWSTR reasonPhrase) = 0;
};

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
    MARROWPEEK_METHOD(get_Request)(ICoreWebView2WebResourceRequest** request) = 0;
    MARROWPEEK_METHOD(get_Response)(ICoreWebView2WebResourceResponse** response) = 0;
    MARROWPEEK_METHOD(put_Response)(ICoreWebView2WebResourceResponse* response) = 0;
    MARROWPEEK_METHOD(GetDeferral)(ICoreWebView2Deferral** deferral) = 0;
    MARROWPEEK_METHOD(get_ResourceContext)(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) = 0;
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
    MARROWPEEK_METHOD(get_Source)(LPWSTR* value) = 0;
    MARROWPEEK_METHOD(get_WebMessageAsJson)(LPWSTR* value) = 0;
    MARROWPEEK_METHOD(TryGetWebMessageAsString)(LPWSTR* value) = 0;
};

struct ICoreWebView2AcceleratorKeyPressedEventArgs : IUnknown {
    MARROWPEEK_METHOD(get_KeyEventKind)(COREWEBVIEW2_KEY_EVENT_KIND* keyEventKind) = 0;
    MARROWPEEK_METHOD(get_VirtualKey)(UINT* virtualKey) = 0;
    MARROWPEEK_METHOD(get_KeyEventLParam)(INT* lParam) = 0;
    MARROWPEEK_METHOD(get_PhysicalKeyStatus)(COREWEBVIEW2_PHYSICAL_KEY_STATUS* status) = 0;
    MARROWPEEK_METHOD(get_Handled)(BOOL* handled) = 0;
    MARROWPEEK_METHOD(put_Handled)(BOOL handled) = 0;
};

struct ICoreWebView2NavigationCompletedEventArgs : IUnknown {
    MARROWPEEK_METHOD(get_IsSuccess)(BOOL* isSuccess) = 0;
    MARROWPEEK_METHOD(get_WebErrorStatus)(COREWEBVIEW2_WEB_ERROR_STATUS* webErrorStatus) = 0;
    MARROWPEEK_METHOD(get_NavigationId)(UINT64* navigationId) = 0;
};

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)(HRESULT errorCode, ICoreWebView2Environment* result) = 0;
};

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)(HRESULT errorCode, ICoreWebView2Controller* result) = 0;
};

struct ICoreWebView2AcceleratorKeyPressedEventHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)
    (ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args) = 0;
};

struct ICoreWebView2WebResourceRequestedEventHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)
    (ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};

struct ICoreWebView2NavigationCompletedEventHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)
    (ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) = 0;
};

struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)
    (ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

struct ICoreWebView2FocusChangedEventHandler : IUnknown {
    MARROWPEEK_METHOD(Invoke)(ICoreWebView2Controller* sender, IUnknown* args) = 0;
};

struct ICoreWebView2Settings : IUnknown {
    MARROWPEEK_METHOD(get_IsScriptEnabled)(BOOL* isScriptEnabled) = 0;
    MARROWPEEK_METHOD(put_IsScriptEnabled)(BOOL isScriptEnabled) = 0;
    MARROWPEEK_METHOD(get_IsWebMessageEnabled)(BOOL* isWebMessageEnabled) = 0;
    MARROWPEEK_METHOD(put_IsWebMessageEnabled)(BOOL isWebMessageEnabled) = 0;
    MARROWPEEK_METHOD(get_AreDefaultScriptDialogsEnabled)(BOOL* enabled) = 0;
    MARROWPEEK_METHOD(put_AreDefaultScriptDialogsEnabled)(BOOL enabled) = 0;
    MARROWPEEK_METHOD(get_IsStatusBarEnabled)(BOOL* isStatusBarEnabled) = 0;
    MARROWPEEK_METHOD(put_IsStatusBarEnabled)(BOOL isStatusBarEnabled) = 0;
    MARROWPEEK_METHOD(get_AreDevToolsEnabled)(BOOL* areDevToolsEnabled) = 0;
    MARROWPEEK_METHOD(put_AreDevToolsEnabled)(BOOL areDevToolsEnabled) = 0;
    MARROWPEEK_METHOD(get_AreDefaultContextMenusEnabled)(BOOL* enabled) = 0;
    MARROWPEEK_METHOD(put_AreDefaultContextMenusEnabled)(BOOL enabled) = 0;
    MARROWPEEK_METHOD(get_AreHostObjectsAllowed)(BOOL* allowed) = 0;
    MARROWPEEK_METHOD(put_AreHostObjectsAllowed)(BOOL allowed) = 0;
    MARROWPEEK_METHOD(get_IsZoomControlEnabled)(BOOL* enabled) = 0;
    MARROWPEEK_METHOD(put_IsZoomControlEnabled)(BOOL enabled) = 0;
    MARROWPEEK_METHOD(get_IsBuiltInErrorPageEnabled)(BOOL* enabled) = 0;
    MARROWPEEK_METHOD(put_IsBuiltInErrorPageEnabled)(BOOL enabled) = 0;
};

struct ICoreWebView2Settings2 : ICoreWebView2Settings {
    MARROWPEEK_METHOD(get_UserAgent)(LPWSTR* value) = 0;
    MARROWPEEK_METHOD(put_UserAgent)(LPCWSTR value) = 0;
};

struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
    MARROWPEEK_METHOD(get_AreBrowserAcceleratorKeysEnabled)(BOOL* value) = 0;
    MARROWPEEK_METHOD(put_AreBrowserAcceleratorKeysEnabled)(BOOL value) = 0;
};

struct ICoreWebView2Environment : IUnknown {
    MARROWPEEK_METHOD(CreateCoreWebView2Controller)
    (HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
    MARROWPEEK_METHOD(CreateWebResourceResponse)
    (IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
     ICoreWebView2WebResourceResponse** response) = 0;
    MARROWPEEK_METHOD(get_BrowserVersionString)(LPWSTR* versionInfo) = 0;
    MARROWPEEK_METHOD(add_NewBrowserVersionAvailable)
    (ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler,
     EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_NewBrowserVersionAvailable)(EventRegistrationToken token) = 0;
};

struct ICoreWebView2Controller : IUnknown {
    MARROWPEEK_METHOD(get_IsVisible)(BOOL* isVisible) = 0;
    MARROWPEEK_METHOD(put_IsVisible)(BOOL isVisible) = 0;
    MARROWPEEK_METHOD(get_Bounds)(RECT* bounds) = 0;
    MARROWPEEK_METHOD(put_Bounds)(RECT bounds) = 0;
    MARROWPEEK_METHOD(get_ZoomFactor)(double* zoomFactor) = 0;
    MARROWPEEK_METHOD(put_ZoomFactor)(double zoomFactor) = 0;
    MARROWPEEK_METHOD(add_ZoomFactorChanged)
    (ICoreWebView2ZoomFactorChangedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_ZoomFactorChanged)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(SetBoundsAndZoomFactor)(RECT bounds, double zoomFactor) = 0;
    MARROWPEEK_METHOD(MoveFocus)(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;
    MARROWPEEK_METHOD(add_MoveFocusRequested)
    (ICoreWebView2MoveFocusRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_MoveFocusRequested)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_GotFocus)
    (ICoreWebView2FocusChangedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_GotFocus)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_LostFocus)
    (ICoreWebView2FocusChangedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_LostFocus)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_AcceleratorKeyPressed)
    (ICoreWebView2AcceleratorKeyPressedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_AcceleratorKeyPressed)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(get_ParentWindow)(HWND* parentWindow) = 0;
    MARROWPEEK_METHOD(put_ParentWindow)(HWND parentWindow) = 0;
    MARROWPEEK_METHOD(NotifyParentWindowPositionChanged)() = 0;
    MARROWPEEK_METHOD(Close)() = 0;
    MARROWPEEK_METHOD(get_CoreWebView2)(ICoreWebView2** coreWebView2) = 0;
};

struct ICoreWebView2Controller2 : ICoreWebView2Controller {
    MARROWPEEK_METHOD(get_DefaultBackgroundColor)(COREWEBVIEW2_COLOR* value) = 0;
    MARROWPEEK_METHOD(put_DefaultBackgroundColor)(COREWEBVIEW2_COLOR value) = 0;
};

struct ICoreWebView2 : IUnknown {
    MARROWPEEK_METHOD(get_Settings)(ICoreWebView2Settings** settings) = 0;
    MARROWPEEK_METHOD(get_Source)(LPWSTR* uri) = 0;
    MARROWPEEK_METHOD(Navigate)(LPCWSTR uri) = 0;
    MARROWPEEK_METHOD(NavigateToString)(LPCWSTR htmlContent) = 0;
    MARROWPEEK_METHOD(add_NavigationStarting)
    (ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_NavigationStarting)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_ContentLoading)
    (ICoreWebView2ContentLoadingEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_ContentLoading)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_SourceChanged)
    (ICoreWebView2SourceChangedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_SourceChanged)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_HistoryChanged)
    (ICoreWebView2HistoryChangedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_HistoryChanged)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_NavigationCompleted)
    (ICoreWebView2NavigationCompletedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_NavigationCompleted)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_FrameNavigationStarting)
    (ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_FrameNavigationStarting)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_FrameNavigationCompleted)
    (ICoreWebView2NavigationCompletedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_FrameNavigationCompleted)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_ScriptDialogOpening)
    (ICoreWebView2ScriptDialogOpeningEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_ScriptDialogOpening)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_PermissionRequested)
    (ICoreWebView2PermissionRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_PermissionRequested)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_ProcessFailed)
    (ICoreWebView2ProcessFailedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_ProcessFailed)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(AddScriptToExecuteOnDocumentCreated)
    (LPCWSTR javaScript,
     ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;
    MARROWPEEK_METHOD(RemoveScriptToExecuteOnDocumentCreated)(LPCWSTR id) = 0;
    MARROWPEEK_METHOD(ExecuteScript)
    (LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;
    MARROWPEEK_METHOD(CapturePreview)
    (COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
     ICoreWebView2CapturePreviewCompletedHandler* handler) = 0;
    MARROWPEEK_METHOD(Reload)() = 0;
    MARROWPEEK_METHOD(PostWebMessageAsJson)(LPCWSTR webMessageAsJson) = 0;
    MARROWPEEK_METHOD(PostWebMessageAsString)(LPCWSTR webMessageAsString) = 0;
    MARROWPEEK_METHOD(add_WebMessageReceived)
    (ICoreWebView2WebMessageReceivedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_WebMessageReceived)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(CallDevToolsProtocolMethod)
    (LPCWSTR methodName, LPCWSTR parametersAsJson,
     ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) = 0;
    MARROWPEEK_METHOD(get_BrowserProcessId)(UINT32* value) = 0;
    MARROWPEEK_METHOD(get_CanGoBack)(BOOL* canGoBack) = 0;
    MARROWPEEK_METHOD(get_CanGoForward)(BOOL* canGoForward) = 0;
    MARROWPEEK_METHOD(GoBack)() = 0;
    MARROWPEEK_METHOD(GoForward)() = 0;
    MARROWPEEK_METHOD(GetDevToolsProtocolEventReceiver)
    (LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) = 0;
    MARROWPEEK_METHOD(Stop)() = 0;
    MARROWPEEK_METHOD(add_NewWindowRequested)
    (ICoreWebView2NewWindowRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_NewWindowRequested)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(add_DocumentTitleChanged)
    (ICoreWebView2DocumentTitleChangedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_DocumentTitleChanged)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(get_DocumentTitle)(LPWSTR* title) = 0;
    MARROWPEEK_METHOD(AddHostObjectToScript)(LPCWSTR name, VARIANT* object) = 0;
    MARROWPEEK_METHOD(RemoveHostObjectFromScript)(LPCWSTR name) = 0;
    MARROWPEEK_METHOD(OpenDevToolsWindow)() = 0;
    MARROWPEEK_METHOD(add_ContainsFullScreenElementChanged)
    (ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
     EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_ContainsFullScreenElementChanged)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(get_ContainsFullScreenElement)(BOOL* containsFullScreenElement) = 0;
    MARROWPEEK_METHOD(add_WebResourceRequested)
    (ICoreWebView2WebResourceRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_WebResourceRequested)(EventRegistrationToken token) = 0;
    MARROWPEEK_METHOD(AddWebResourceRequestedFilter)
    (LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;
    MARROWPEEK_METHOD(RemoveWebResourceRequestedFilter)
    (LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;
    MARROWPEEK_METHOD(add_WindowCloseRequested)
    (ICoreWebView2WindowCloseRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
    MARROWPEEK_METHOD(remove_WindowCloseRequested)(EventRegistrationToken token) = 0;
};

// ICoreWebView2_2 to ICoreWebView2_21 add slots 61 to 122, none of which the plug-in uses; they
// are declared as placeholders so that the two methods of ICoreWebView2_22 land on 123 and 124.
// X(n) is applied to every placeholder slot number.
// clang-format off
#define MARROWPEEK_FOR_EACH_UNUSED_WEBVIEW_SLOT(X) \
    X(61) X(62) X(63) X(64) X(65) X(66) X(67) X(68) X(69) X(70) \
    X(71) X(72) X(73) X(74) X(75) X(76) X(77) X(78) X(79) X(80) \
    X(81) X(82) X(83) X(84) X(85) X(86) X(87) X(88) X(89) X(90) \
    X(91) X(92) X(93) X(94) X(95) X(96) X(97) X(98) X(99) X(100) \
    X(101) X(102) X(103) X(104) X(105) X(106) X(107) X(108) X(109) X(110) \
    X(111) X(112) X(113) X(114) X(115) X(116) X(117) X(118) X(119) X(120) \
    X(121) X(122)
// clang-format on

#define MARROWPEEK_DECLARE_UNUSED_SLOT(n) MARROWPEEK_METHOD(UnusedSlot##n)() = 0;

struct ICoreWebView2_21Placeholder : ICoreWebView2 {
    MARROWPEEK_FOR_EACH_UNUSED_WEBVIEW_SLOT(MARROWPEEK_DECLARE_UNUSED_SLOT)
};

struct ICoreWebView2_22 : ICoreWebView2_21Placeholder {
    MARROWPEEK_METHOD(AddWebResourceRequestedFilterWithRequestSourceKinds)
    (LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext,
     COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS requestSourceKinds) = 0;
    MARROWPEEK_METHOD(RemoveWebResourceRequestedFilterWithRequestSourceKinds)
    (LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext,
     COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS requestSourceKinds) = 0;
};

struct ICoreWebView2EnvironmentOptions7 : IUnknown {
    MARROWPEEK_METHOD(get_ChannelSearchKind)(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value) = 0;
    MARROWPEEK_METHOD(put_ChannelSearchKind)(COREWEBVIEW2_CHANNEL_SEARCH_KIND value) = 0;
    MARROWPEEK_METHOD(get_ReleaseChannels)(COREWEBVIEW2_RELEASE_CHANNELS* value) = 0;
    MARROWPEEK_METHOD(put_ReleaseChannels)(COREWEBVIEW2_RELEASE_CHANNELS value) = 0;
};

#undef MARROWPEEK_DECLARE_UNUSED_SLOT
#undef MARROWPEEK_METHOD

// Interface identifiers, reachable through __uuidof.
__CRT_UUID_DECL(ICoreWebView2Environment, 0xB96D755E, 0x0319, 0x4E92, 0xA2, 0x96, 0x23, 0x43, 0x6F,
                0x46, 0xA1, 0xFC)
__CRT_UUID_DECL(ICoreWebView2Controller, 0x4D00C0D1, 0x9434, 0x4EB6, 0x80, 0x78, 0x86, 0x97, 0xA5,
                0x60, 0x33, 0x4F)
__CRT_UUID_DECL(ICoreWebView2Controller2, 0xC979903E, 0xD4CA, 0x4228, 0x92, 0xEB, 0x47, 0xEE, 0x3F,
                0xA9, 0x6E, 0xAB)
__CRT_UUID_DECL(ICoreWebView2Settings, 0xE562E4F0, 0xD7FA, 0x43AC, 0x8D, 0x71, 0xC0, 0x51, 0x50,
                0x49, 0x9F, 0x00)
__CRT_UUID_DECL(ICoreWebView2Settings3, 0xFDB5AB74, 0xAF33, 0x4854, 0x84, 0xF0, 0x0A, 0x63, 0x1D,
                0xEB, 0x5E, 0xBA)
__CRT_UUID_DECL(ICoreWebView2FocusChangedEventHandler, 0x05EA24BD, 0x6452, 0x4926, 0x90, 0x14, 0x4B,
                0x82, 0xB4, 0x98, 0x13, 0x5D)
__CRT_UUID_DECL(ICoreWebView2, 0x76ECEACB, 0x0462, 0x4D94, 0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77,
                0x5E)
__CRT_UUID_DECL(ICoreWebView2_22, 0xDB75DFC7, 0xA857, 0x4632, 0xA3, 0x98, 0x69, 0x69, 0xDD, 0xE2,
                0x6C, 0x0A)
__CRT_UUID_DECL(ICoreWebView2WebResourceRequestedEventArgs, 0x453E667F, 0x12C7, 0x49D4, 0xBE, 0x6D,
                0xDD, 0xBE, 0x79, 0x56, 0xF5, 0x7A)
__CRT_UUID_DECL(ICoreWebView2WebResourceRequest, 0x97055CD4, 0x512C, 0x4264, 0x8B, 0x5F, 0xE3, 0xF4,
                0x46, 0xCE, 0xA6, 0xA5)
__CRT_UUID_DECL(ICoreWebView2WebResourceResponse, 0xAAFCC94F, 0xFA27, 0x48FD, 0x97, 0xDF, 0x83,
                0x0E, 0xF7, 0x5A, 0xAE, 0xC9)
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventArgs, 0x0F99A40C, 0xE962, 0x4207, 0x9E, 0x92,
                0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49)
__CRT_UUID_DECL(ICoreWebView2AcceleratorKeyPressedEventArgs, 0x9F760F8A, 0xFB79, 0x42BE, 0x99, 0x90,
                0x7B, 0x56, 0x90, 0x0F, 0xA9, 0xC7)
__CRT_UUID_DECL(ICoreWebView2NavigationCompletedEventArgs, 0x30D68B7D, 0x20D9, 0x4752, 0xA9, 0xCA,
                0xEC, 0x84, 0x48, 0xFB, 0xB5, 0xC1)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 0x4E8A3389, 0xC9D8,
                0x4BD2, 0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 0x6C4819F3, 0xC9B7,
                0x4260, 0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C)
__CRT_UUID_DECL(ICoreWebView2AcceleratorKeyPressedEventHandler, 0xB29C7E28, 0xFA79, 0x41A8, 0x8E,
                0x44, 0x65, 0x81, 0x1C, 0x76, 0xDC, 0xB2)
__CRT_UUID_DECL(ICoreWebView2WebResourceRequestedEventHandler, 0xAB00B74C, 0x15F1, 0x4646, 0x80,
                0xE8, 0xE7, 0x63, 0x41, 0xD2, 0x5D, 0x71)
__CRT_UUID_DECL(ICoreWebView2NavigationCompletedEventHandler, 0xD33A35BF, 0x1C49, 0x4F98, 0x93,
                0xAB, 0x00, 0x6E, 0x05, 0x33, 0xFE, 0x1C)
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventHandler, 0x57213F19, 0x00E6, 0x49FA, 0x8E, 0x07,
                0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2)
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions7, 0xC48D539F, 0xE39F, 0x441C, 0xAE, 0x68, 0x1F,
                0x66, 0xE5, 0x70, 0xBD, 0xC5)
