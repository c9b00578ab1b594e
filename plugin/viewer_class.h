#pragma once

#include <windows.h>

#include "webhost/viewer_window.h"

// Registers the window class of plug-in and parking windows, unless this module already has it.
void RegisterViewerClass();
void UnregisterViewerClass();

// A plug-in window filling the client area of the Lister window, which it reports in `client`.
HWND CreatePluginWindow(HWND lister, RECT& client);
// The centred loading label of a plug-in window.
HWND CreateLoadingLabel(HWND pluginWindow, const RECT& client);

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
