// The test runtime driven through the project's declarations, as the plug-in will drive it: if
// these pass, a failing plug-in test points at the plug-in.

#include <gtest/gtest.h>
#include <shlwapi.h>

#include "loader/webview2_loader.h"
#include "tests/scratch_directory.h"
#include "tests/webview_harness.h"
#include "webhost/com_object.h"

namespace {

class TestRuntimeHarness : public testing::Test {
  protected:
    void SetUp() override {
        runtime_ = InstallRuntimeCopy(scratch_.path() / L"runtime");
        ASSERT_NE(runtime_.control, nullptr);
        runtime_.control->Reset();
        folderVariable_ = std::make_unique<ScopedVariable>(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER",
                                                           runtime_.folder.c_str());
        window_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        controller_.Reset();
        webView_.Reset();
        environment_.Reset();
        runtime_.control->Reset();
        DestroyWindow(window_);
    }

    void CreateEnvironment() {
        auto handler = MakeCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            [this](HRESULT, ICoreWebView2Environment* environment) {
                environment_ = environment;
                return S_OK;
            });
        ASSERT_EQ(
            CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler.Get()),
            S_OK);
        PumpMessages();
        ASSERT_TRUE(environment_);
    }

    // Creates a controller; returns its creation result as the completion reported it.
    HRESULT CreateController() {
        HRESULT reported = E_PENDING;
        auto handler = MakeCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            [this, &reported](HRESULT result, ICoreWebView2Controller* controller) {
                reported = result;
                controller_ = controller;
                if (controller != nullptr) {
                    controller->get_CoreWebView2(webView_.Put());
                }
                return S_OK;
            });
        const HRESULT started = environment_->CreateCoreWebView2Controller(window_, handler.Get());
        if (FAILED(started)) {
            return started;
        }
        PumpMessages();
        return reported;
    }

    ScratchDirectory scratch_;
    RuntimeCopy runtime_;
    std::unique_ptr<ScopedVariable> folderVariable_;
    HWND window_ = nullptr;
    ComPtr<ICoreWebView2Environment> environment_;
    ComPtr<ICoreWebView2Controller> controller_;
    ComPtr<ICoreWebView2> webView_;
};

TEST_F(TestRuntimeHarness, RecordsEveryCallOnTheControllerAndWebView) {
    CreateEnvironment();
    ASSERT_EQ(CreateController(), S_OK);
    ASSERT_TRUE(webView_);
    controller_->put_Bounds(RECT{0, 0, 300, 200});
    controller_->put_IsVisible(FALSE);
    controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    webView_->Navigate(L"https://page.invalid/index.html");
    auto webView22 = webView_.As<ICoreWebView2_22>();
    ASSERT_TRUE(webView22);
    webView22->AddWebResourceRequestedFilterWithRequestSourceKinds(
        L"https://page.invalid/*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL,
        COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT);
    webView_->PostWebMessageAsJson(L"{\"reload\":true}");
    controller_->put_ParentWindow(nullptr);
    controller_->Close();
    EXPECT_EQ(webView_->Navigate(L"https://page.invalid/late"), static_cast<HRESULT>(0x8007139F));

    const std::vector<std::string> expected = {
        "CreateCoreWebView2Controller c1 parent " + HandleText(window_),
        "c1 put_Bounds 0 0 300 200",
        "c1 put_IsVisible 0",
        "c1 MoveFocus 0",
        "c1 Navigate https://page.invalid/index.html",
        "c1 AddWebResourceRequestedFilterWithRequestSourceKinds https://page.invalid/* 0 1",
        "c1 PostWebMessageAsJson {\"reload\":true}",
        "c1 put_ParentWindow 0",
        "c1 Close",
        "c1 Navigate https://page.invalid/late",
    };
    EXPECT_EQ(runtime_.control->Journal(), expected);
}

TEST_F(TestRuntimeHarness, WithoutTheNewerInterfaceOnlyTheOldFilterIsThere) {
    runtime_.control->OfferWebView22(false);
    CreateEnvironment();
    ASSERT_EQ(CreateController(), S_OK);
    EXPECT_FALSE(webView_.As<ICoreWebView2_22>());
    EXPECT_EQ(webView_->AddWebResourceRequestedFilter(L"https://page.invalid/*", 0), S_OK);
}

TEST_F(TestRuntimeHarness, ControllerFailuresAtOnceOrInTheCompletion) {
    CreateEnvironment();
    runtime_.control->FailController(E_ACCESSDENIED, false, 1);
    EXPECT_EQ(CreateController(), E_ACCESSDENIED);
    runtime_.control->FailController(E_ABORT, true, 1);
    EXPECT_EQ(CreateController(), E_ABORT);
    EXPECT_FALSE(controller_);
    EXPECT_EQ(CreateController(), S_OK);
    EXPECT_EQ(runtime_.control->ControllerCount(), 1);
}

TEST_F(TestRuntimeHarness, HeldCompletionsWaitForTheirRelease) {
    CreateEnvironment();
    runtime_.control->HoldCompletions(true);
    EXPECT_EQ(CreateController(), E_PENDING);
    runtime_.control->ReleaseCompletions();
    PumpMessages();
    EXPECT_TRUE(controller_);
}

TEST_F(TestRuntimeHarness, EventsReachTheSubscribedHandlers) {
    CreateEnvironment();
    ASSERT_EQ(CreateController(), S_OK);
    EventRegistrationToken token{};

    std::wstring requested;
    webView_->add_WebResourceRequested(
        MakeCallback<ICoreWebView2WebResourceRequestedEventHandler>(
            [this, &requested](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
                ComPtr<ICoreWebView2WebResourceRequest> request;
                args->get_Request(request.Put());
                LPWSTR uri = nullptr;
                request->get_Uri(&uri);
                requested = uri;
                CoTaskMemFree(uri);
                static const char body[] = "<p>hello</p>";
                auto stream = ComPtr<IStream>::Attach(
                    SHCreateMemStream(reinterpret_cast<const BYTE*>(body), sizeof body - 1));
                ComPtr<ICoreWebView2WebResourceResponse> response;
                environment_->CreateWebResourceResponse(stream.Get(), 200, L"OK",
                                                        L"Content-Type: text/html", response.Put());
                args->put_Response(response.Get());
                return S_OK;
            })
            .Get(),
        &token);
    const ResourceReply reply =
        runtime_.control->RaiseResourceRequest(1, L"https://page.invalid/index.html");
    EXPECT_EQ(requested, L"https://page.invalid/index.html");
    EXPECT_TRUE(reply.answered);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.reason, L"OK");
    EXPECT_EQ(reply.headers, L"Content-Type: text/html");
    EXPECT_EQ(reply.body, "<p>hello</p>");

    std::vector<HRESULT> stringResults;
    webView_->add_WebMessageReceived(
        MakeCallback<ICoreWebView2WebMessageReceivedEventHandler>(
            [&stringResults](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                LPWSTR text = nullptr;
                stringResults.push_back(args->TryGetWebMessageAsString(&text));
                CoTaskMemFree(text);
                return S_OK;
            })
            .Get(),
        &token);
    EXPECT_TRUE(runtime_.control->RaiseWebMessage(1, L"\"hi\"", std::wstring(L"hi")));
    EXPECT_TRUE(runtime_.control->RaiseWebMessage(1, L"{\"a\":1}", std::nullopt));
    EXPECT_EQ(stringResults, (std::vector<HRESULT>{S_OK, E_INVALIDARG}));

    controller_->add_AcceleratorKeyPressed(
        MakeCallback<ICoreWebView2AcceleratorKeyPressedEventHandler>(
            [](ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) {
                UINT key = 0;
                args->get_VirtualKey(&key);
                args->put_Handled(key == VK_ESCAPE);
                return S_OK;
            })
            .Get(),
        &token);
    EXPECT_TRUE(runtime_.control->RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN,
                                                      VK_ESCAPE, 0x00010001));
    EXPECT_FALSE(runtime_.control->RaiseAcceleratorKey(1, COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN, 'A',
                                                       0x001E0001));

    int navigations = 0;
    webView_->add_NavigationCompleted(
        MakeCallback<ICoreWebView2NavigationCompletedEventHandler>(
            [&navigations](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs* args) {
                BOOL success = FALSE;
                args->get_IsSuccess(&success);
                navigations += success ? 1 : 100;
                return S_OK;
            })
            .Get(),
        &token);
    runtime_.control->CompleteNavigation(1, true);
    EXPECT_EQ(navigations, 1);

    // Closing ends every subscription.
    controller_->Close();
    runtime_.control->CompleteNavigation(1, true);
    EXPECT_EQ(navigations, 1);
    EXPECT_FALSE(runtime_.control->RaiseWebMessage(1, L"\"late\"", std::wstring(L"late")));
}

}  // namespace
