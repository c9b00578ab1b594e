#pragma once

#include <windows.h>

// The host's Lister plug-in interface, as the host calls it.
using ListLoadWFunction = HWND(WINAPI*)(HWND lister, const wchar_t* path, int showFlags);
using ListLoadNextWFunction = int(WINAPI*)(HWND lister, HWND pluginWindow, const wchar_t* path,
                                           int showFlags);
using ListCloseWindowFunction = void(WINAPI*)(HWND pluginWindow);
using ListGetDetectStringFunction = void(WINAPI*)(char* detectString, int maxLength);
using ListSetDefaultParamsFunction = void(WINAPI*)(void* defaultParams);
using ListSendCommandFunction = int(WINAPI*)(HWND pluginWindow, int command, int parameter);
using ListSearchTextWFunction = int(WINAPI*)(HWND pluginWindow, wchar_t* text, int flags);
using ListSearchDialogFunction = int(WINAPI*)(HWND pluginWindow, int findNext);
using ListGetPreviewBitmapWFunction = HBITMAP(WINAPI*)(const wchar_t* file, int width, int height,
                                                       char* contentBuffer, int contentLength);
using ListGetPreviewBitmapFunction = HBITMAP(WINAPI*)(const char* file, int width, int height,
                                                      char* contentBuffer, int contentLength);

// The files the host offers: extension TORRENT, first byte "d".
inline constexpr char kDetectString[] = "EXT=\"TORRENT\" & [0]=\"d\"";
