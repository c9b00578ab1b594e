#pragma once

#include "webhost/viewer_window.h"

// The events a view's controller and web view report. Each gets the view's link; a view
// that is gone is left alone. All return S_OK.
HRESULT OnWebResourceRequested(const ViewLink& link,
                               ICoreWebView2WebResourceRequestedEventArgs* args);
HRESULT OnWebMessageReceived(const ViewLink& link, ICoreWebView2WebMessageReceivedEventArgs* args);
HRESULT OnNavigationCompleted(const ViewLink& link);
// Keys the Lister binds are taken from the page and posted to the Lister window.
HRESULT OnAcceleratorKeyPressed(const ViewLink& link,
                                ICoreWebView2AcceleratorKeyPressedEventArgs* args);
// Tells the Lister window that the view has the focus.
HRESULT OnGotFocus(const ViewLink& link);

// Drops the page copied from the resources, when the library is unloaded.
void ReleasePageFiles();
