// The interface declarations against the SDK's binary layout. The numbers below are copied from
// the interface definitions, not computed from the declarations: a method declared one slot off
// would pass every other test (they use the same declarations on both sides) and crash inside
// the real runtime.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <utility>

#include "webview2/webview2.h"

namespace {

using SlotFunction = HRESULT(STDMETHODCALLTYPE*)(void*);

template <std::size_t N>
HRESULT STDMETHODCALLTYPE AnswerSlot(void*) {
    return static_cast<HRESULT>(N);
}

template <std::size_t... N>
constexpr std::array<SlotFunction, sizeof...(N)> SlotTable(std::index_sequence<N...>) {
    return {&AnswerSlot<N>...};
}

// An object whose every vtable entry answers its own index: calling a method through a
// declaration tells the slot that declaration uses.
struct SlotProbe {
    const SlotFunction* vtable;
};

template <typename Interface>
Interface* Probe() {
    static constexpr auto table = SlotTable(std::make_index_sequence<130>{});
    static SlotProbe probe{table.data()};
    return reinterpret_cast<Interface*>(&probe);
}

struct SlotCase {
    const char* method;
    HRESULT slot;
    std::function<HRESULT()> call;
};

#define SLOT(Interface, method, slot, ...)                                                    \
    SlotCase {                                                                                \
#Interface "::" #method, slot, [] { return Probe<Interface>()->method(__VA_ARGS__); } \
    }

TEST(WebView2Abi, EveryMethodThePlugInCallsOrImplementsSitsInItsSlot) {
    const SlotCase cases[] = {
        SLOT(ICoreWebView2Environment, CreateCoreWebView2Controller, 3, nullptr, nullptr),
        SLOT(ICoreWebView2Environment, CreateWebResourceResponse, 4, nullptr, 0, nullptr, nullptr,
             nullptr),
        SLOT(ICoreWebView2Controller, put_IsVisible, 4, FALSE),
        SLOT(ICoreWebView2Controller, get_Bounds, 5, nullptr),
        SLOT(ICoreWebView2Controller, put_Bounds, 6, RECT{}),
        SLOT(ICoreWebView2Controller, MoveFocus, 12, 0),
        SLOT(ICoreWebView2Controller, add_GotFocus, 15, nullptr, nullptr),
        SLOT(ICoreWebView2Controller, add_AcceleratorKeyPressed, 19, nullptr, nullptr),
        SLOT(ICoreWebView2Controller, remove_AcceleratorKeyPressed, 20, EventRegistrationToken{}),
        SLOT(ICoreWebView2Controller, get_ParentWindow, 21, nullptr),
        SLOT(ICoreWebView2Controller, put_ParentWindow, 22, nullptr),
        SLOT(ICoreWebView2Controller, Close, 24),
        SLOT(ICoreWebView2Controller, get_CoreWebView2, 25, nullptr),
        SLOT(ICoreWebView2Controller2, put_DefaultBackgroundColor, 27, COREWEBVIEW2_COLOR{}),
        SLOT(ICoreWebView2, get_Settings, 3, nullptr),
        SLOT(ICoreWebView2, Navigate, 5, nullptr),
        SLOT(ICoreWebView2, add_NavigationCompleted, 15, nullptr, nullptr),
        SLOT(ICoreWebView2, remove_NavigationCompleted, 16, EventRegistrationToken{}),
        SLOT(ICoreWebView2, PostWebMessageAsJson, 32, nullptr),
        SLOT(ICoreWebView2, add_WebMessageReceived, 34, nullptr, nullptr),
        SLOT(ICoreWebView2, remove_WebMessageReceived, 35, EventRegistrationToken{}),
        SLOT(ICoreWebView2, add_WebResourceRequested, 55, nullptr, nullptr),
        SLOT(ICoreWebView2, remove_WebResourceRequested, 56, EventRegistrationToken{}),
        SLOT(ICoreWebView2, AddWebResourceRequestedFilter, 57, nullptr, 0),
        SLOT(ICoreWebView2, add_WindowCloseRequested, 59, nullptr, nullptr),
        SLOT(ICoreWebView2, remove_WindowCloseRequested, 60, EventRegistrationToken{}),
        SLOT(ICoreWebView2_22, Navigate, 5, nullptr),
        SLOT(ICoreWebView2_22, AddWebResourceRequestedFilterWithRequestSourceKinds, 123, nullptr, 0,
             0),
        SLOT(ICoreWebView2_22, RemoveWebResourceRequestedFilterWithRequestSourceKinds, 124, nullptr,
             0, 0),
        SLOT(ICoreWebView2WebResourceRequestedEventArgs, get_Request, 3, nullptr),
        SLOT(ICoreWebView2WebResourceRequestedEventArgs, get_Response, 4, nullptr),
        SLOT(ICoreWebView2WebResourceRequestedEventArgs, put_Response, 5, nullptr),
        SLOT(ICoreWebView2WebResourceRequestedEventArgs, get_ResourceContext, 7, nullptr),
        SLOT(ICoreWebView2WebResourceRequest, get_Uri, 3, nullptr),
        SLOT(ICoreWebView2WebResourceResponse, get_Content, 3, nullptr),
        SLOT(ICoreWebView2WebResourceResponse, get_StatusCode, 6, nullptr),
        SLOT(ICoreWebView2WebResourceResponse, put_StatusCode, 7, 0),
        SLOT(ICoreWebView2WebResourceResponse, get_ReasonPhrase, 8, nullptr),
        SLOT(ICoreWebView2WebResourceResponse, put_ReasonPhrase, 9, nullptr),
        SLOT(ICoreWebView2WebMessageReceivedEventArgs, get_WebMessageAsJson, 4, nullptr),
        SLOT(ICoreWebView2WebMessageReceivedEventArgs, TryGetWebMessageAsString, 5, nullptr),
        SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, get_KeyEventKind, 3, nullptr),
        SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, get_VirtualKey, 4, nullptr),
        SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, get_KeyEventLParam, 5, nullptr),
        SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, get_Handled, 7, nullptr),
        SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, put_Handled, 8, FALSE),
        SLOT(ICoreWebView2NavigationCompletedEventArgs, get_IsSuccess, 3, nullptr),
        SLOT(ICoreWebView2NavigationCompletedEventArgs, get_NavigationId, 5, nullptr),
        SLOT(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, Invoke, 3, S_OK, nullptr),
        SLOT(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, Invoke, 3, S_OK, nullptr),
        SLOT(ICoreWebView2AcceleratorKeyPressedEventHandler, Invoke, 3, nullptr, nullptr),
        SLOT(ICoreWebView2WebResourceRequestedEventHandler, Invoke, 3, nullptr, nullptr),
        SLOT(ICoreWebView2NavigationCompletedEventHandler, Invoke, 3, nullptr, nullptr),
        SLOT(ICoreWebView2WebMessageReceivedEventHandler, Invoke, 3, nullptr, nullptr),
        SLOT(ICoreWebView2FocusChangedEventHandler, Invoke, 3, nullptr, nullptr),
        SLOT(ICoreWebView2Settings, put_IsZoomControlEnabled, 18, FALSE),
        SLOT(ICoreWebView2Settings3, put_IsZoomControlEnabled, 18, FALSE),
        SLOT(ICoreWebView2Settings3, put_AreBrowserAcceleratorKeysEnabled, 24, FALSE),
        SLOT(ICoreWebView2EnvironmentOptions7, get_ChannelSearchKind, 3, nullptr),
        SLOT(ICoreWebView2EnvironmentOptions7, get_ReleaseChannels, 5, nullptr)};
    for (const SlotCase& c : cases) {
        EXPECT_EQ(c.call(), c.slot) << c.method;
    }
    // Structures passed by pointer or, the colour, by value in one register.
    EXPECT_EQ(sizeof(EventRegistrationToken) + sizeof(COREWEBVIEW2_COLOR), 12u);
}

#undef SLOT

TEST(WebView2Abi, InterfaceIdentifiers) {
    // clang-format off
    const std::pair<GUID, const char*> cases[] = {
        {__uuidof(ICoreWebView2Environment), "B96D755E-0319-4E92-A296-23436F46A1FC"},
        {__uuidof(ICoreWebView2Controller), "4D00C0D1-9434-4EB6-8078-8697A560334F"},
        {__uuidof(ICoreWebView2Controller2), "C979903E-D4CA-4228-92EB-47EE3FA96EAB"},
        {__uuidof(ICoreWebView2), "76ECEACB-0462-4D94-AC83-423A6793775E"},
        {__uuidof(ICoreWebView2_22), "DB75DFC7-A857-4632-A398-6969DDE26C0A"},
        {__uuidof(ICoreWebView2Settings), "E562E4F0-D7FA-43AC-8D71-C05150499F00"},
        {__uuidof(ICoreWebView2Settings3), "FDB5AB74-AF33-4854-84F0-0A631DEB5EBA"},
        {__uuidof(ICoreWebView2WebResourceRequestedEventArgs), "453E667F-12C7-49D4-BE6D-DDBE7956F57A"},
        {__uuidof(ICoreWebView2WebResourceRequest), "97055CD4-512C-4264-8B5F-E3F446CEA6A5"},
        {__uuidof(ICoreWebView2WebResourceResponse), "AAFCC94F-FA27-48FD-97DF-830EF75AAEC9"},
        {__uuidof(ICoreWebView2WebMessageReceivedEventArgs), "0F99A40C-E962-4207-9E92-E3D542EFF849"},
        {__uuidof(ICoreWebView2AcceleratorKeyPressedEventArgs), "9F760F8A-FB79-42BE-9990-7B56900FA9C7"},
        {__uuidof(ICoreWebView2NavigationCompletedEventArgs), "30D68B7D-20D9-4752-A9CA-EC8448FBB5C1"},
        {__uuidof(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler), "4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D"},
        {__uuidof(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler), "6C4819F3-C9B7-4260-8127-C9F5BDE7F68C"},
        {__uuidof(ICoreWebView2AcceleratorKeyPressedEventHandler), "B29C7E28-FA79-41A8-8E44-65811C76DCB2"},
        {__uuidof(ICoreWebView2WebResourceRequestedEventHandler), "AB00B74C-15F1-4646-80E8-E76341D25D71"},
        {__uuidof(ICoreWebView2NavigationCompletedEventHandler), "D33A35BF-1C49-4F98-93AB-006E0533FE1C"},
        {__uuidof(ICoreWebView2WebMessageReceivedEventHandler), "57213F19-00E6-49FA-8E07-898EA01ECBD2"},
        {__uuidof(ICoreWebView2FocusChangedEventHandler), "05EA24BD-6452-4926-9014-4B82B498135D"},
        {__uuidof(ICoreWebView2EnvironmentOptions7), "C48D539F-E39F-441C-AE68-1F66E570BDC5"}};
    // clang-format on
    for (const auto& [guid, text] : cases) {
        char formatted[40];
        std::snprintf(formatted, sizeof formatted,
                      "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                      static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                      guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                      guid.Data4[6], guid.Data4[7]);
        EXPECT_STREQ(formatted, text);
    }
}

}  // namespace
