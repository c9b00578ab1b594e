#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "webview2/com_object.h"
#include "webview2/webview2.h"

namespace {

using Handler = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

TEST(Callback, ForwardsArgumentsAndResultAndFreesTheCaptureWithTheLastReference) {
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> watch = alive;
    HRESULT seen = S_OK;
    {
        auto handler =
            MakeCallback<Handler>([alive, &seen](HRESULT code, ICoreWebView2Environment*) {
                seen = code;
                return S_FALSE;
            });
        alive.reset();
        EXPECT_EQ(handler->Invoke(E_ABORT, nullptr), S_FALSE);
        EXPECT_EQ(seen, E_ABORT);
        ComPtr<Handler> copy = handler;
        handler.Reset();
        EXPECT_FALSE(watch.expired());
        EXPECT_TRUE(copy.As<IUnknown>());
        EXPECT_FALSE(copy.As<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>());
    }
    EXPECT_TRUE(watch.expired());
}

TEST(Callback, AnExceptionNeverReachesTheCaller) {
    auto handler = MakeCallback<ICoreWebView2NavigationCompletedEventHandler>(
        [](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) -> HRESULT {
            throw std::runtime_error("boom");
        });
    EXPECT_EQ(handler->Invoke(nullptr, nullptr), S_OK);
}

}  // namespace
