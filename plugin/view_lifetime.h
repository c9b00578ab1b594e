#pragma once

#include "webhost/viewer_window.h"

// Closes the view's controller, releases its references, destroys `window` (its label goes with
// it) and frees the view.
void DestroyView(ViewerWindow* view, HWND window);

// Parks a closing view's controller in the hidden parking window when the slot is free. True
// when it did: the plug-in window is gone then.
bool TryParkView(ViewerWindow* view, HWND pluginWindow);

// Whether a parked view with a controller waits to be reused.
bool HasParkedView();

// Hosts the parked view's controller in a new plug-in window for the file, without navigating;
// null (the view staying parked) when the file cannot be prepared or no window can be made.
HWND ReuseParkedView(HWND lister, const wchar_t* path, int showFlags);

// A window destroyed with its view still attached, which happens when the host destroys the
// Lister window without ListCloseWindow: the view goes with it instead of staying behind.
void ReleaseViewOfDestroyedWindow(HWND window);

// The hidden window that hosts a parked view. It belongs to this library alone: every export
// refuses it as it refuses a window of another class.
bool IsParkingWindow(HWND window);
