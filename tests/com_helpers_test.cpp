#include <gtest/gtest.h>

#include <stdexcept>

#include "webview2/com_object.h"
#include "webview2/webview2.h"

namespace {

// Forwarding and reference counting are exercised by every test of the plug-in; what only this
// shows is the firewall.
TEST(Callback, AnExceptionNeverReachesTheCaller) {
    auto handler = MakeCallback<ICoreWebView2NavigationCompletedEventHandler>(
        [](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) -> HRESULT {
            throw std::runtime_error("boom");
        });
    EXPECT_EQ(handler->Invoke(nullptr, nullptr), S_OK);
}

}  // namespace
