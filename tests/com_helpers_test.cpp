#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "webhost/com_object.h"
#include "webhost/webview2.h"

namespace {

using Handler = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

TEST(Callback, InvokeForwardsArgumentsAndResultAndTheLastReleaseFreesTheCapture) {
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> watch = alive;
    HRESULT seen = S_OK;
    {
        auto handler =
            MakeCallback<Handler>([alive, &seen](HRESULT code, ICoreWebView2Environment*) {
                seen = code;
                ++*alive;
                return S_FALSE;
            });
        alive.reset();
        ASSERT_TRUE(handler);
        EXPECT_EQ(handler->Invoke(E_ABORT, nullptr), S_FALSE);
        EXPECT_EQ(seen, E_ABORT);

        ComPtr<Handler> copy = handler;
        handler.Reset();
        EXPECT_FALSE(watch.expired());
        EXPECT_EQ(copy->Invoke(S_OK, nullptr), S_FALSE);
    }
    EXPECT_TRUE(watch.expired());
}

TEST(Callback, AnswersForItsInterfaceAndIUnknownOnly) {
    auto handler = MakeCallback<Handler>([](HRESULT, ICoreWebView2Environment*) { return S_OK; });
    EXPECT_TRUE(handler.As<IUnknown>());
    EXPECT_TRUE(handler.As<Handler>());
    EXPECT_FALSE(handler.As<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>());
    void* none = &none;
    EXPECT_EQ(handler->QueryInterface(__uuidof(ICoreWebView2), &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

TEST(Callback, AnExceptionNeverReachesTheCaller) {
    auto handler = MakeCallback<Handler>(
        [](HRESULT, ICoreWebView2Environment*) -> HRESULT { throw std::runtime_error("boom"); });
    EXPECT_EQ(handler->Invoke(S_OK, nullptr), S_OK);
}

TEST(ComPtr, CopiesCountMovesDoNot) {
    auto handler = MakeCallback<Handler>([](HRESULT, ICoreWebView2Environment*) { return S_OK; });
    Handler* raw = handler.Get();
    const auto references = [raw] {
        raw->AddRef();
        return raw->Release();
    };
    EXPECT_EQ(references(), 1u);
    ComPtr<Handler> copy = handler;
    EXPECT_EQ(references(), 2u);
    ComPtr<Handler> moved = std::move(copy);
    EXPECT_EQ(references(), 2u);
    EXPECT_FALSE(copy);
    moved = handler;
    EXPECT_EQ(references(), 2u);
    Handler* detached = moved.Detach();
    EXPECT_EQ(references(), 2u);
    auto attached = ComPtr<Handler>::Attach(detached);
    attached.Reset();
    EXPECT_EQ(references(), 1u);
}

}  // namespace
