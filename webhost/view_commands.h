#pragma once

#include <windows.h>

// The Lister's commands and find for the view of a plug-in window; both answer kListerOk or
// kListerError. Their effects on the page arrive as messages after they return.
int SendCommandToView(HWND pluginWindow, int command, int parameter);
int FindInView(HWND pluginWindow, const wchar_t* text, int flags);
