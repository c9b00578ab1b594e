#pragma once

#include <windows.h>

// The "Configure" dialog of "Pack files": the [Create] settings every later pack uses. Modal
// over `parent`; returns when it is closed.
void ShowPackOptions(HWND parent, HINSTANCE instance);
