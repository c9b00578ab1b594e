#include "webhost/lister_window.h"

#include <cstring>

namespace {

constexpr LPARAM kReleasedBits = static_cast<LPARAM>(0xC0000000u);  // previous state, transition

}  // namespace

bool IsQuickView(HWND lister) {
    return lister != nullptr && (GetWindowLongPtrW(lister, GWL_STYLE) & WS_CHILD) != 0;
}

void PostReportedKey(HWND lister, KeyEventKind kind, UINT virtualKey, LPARAM lParam) {
    static constexpr UINT kMessages[] = {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP};
    // The control hands the lParam over as a signed 32-bit value; a message's key data is the
    // unsigned one.
    PostMessageW(lister, kMessages[static_cast<int>(kind)], virtualKey,
                 static_cast<LPARAM>(static_cast<UINT>(lParam)));
}

void PostKeyPress(HWND lister, UINT virtualKey) {
    const LPARAM press = 1 | static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(lister, WM_KEYDOWN, virtualKey, press);
    PostMessageW(lister, WM_KEYUP, virtualKey, press | kReleasedBits);
}

void PostFocusNotice(HWND lister, HWND view) {
    PostMessageW(lister, WM_COMMAND, MAKEWPARAM(0, kListerFocusCommand),
                 reinterpret_cast<LPARAM>(view));
}

bool SetClipboardText(HWND owner, std::wstring_view text) {
    // One attempt: waiting for another program to let go would hold the host's UI thread.
    if (!OpenClipboard(owner)) {
        return false;
    }
    EmptyClipboard();
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (void* target = memory != nullptr ? GlobalLock(memory) : nullptr) {
        std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
        static_cast<wchar_t*>(target)[text.size()] = L'\0';
        GlobalUnlock(memory);
        // The clipboard owns the memory once it takes it.
        placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!placed && memory != nullptr) {
        GlobalFree(memory);
    }
    CloseClipboard();
    return placed;
}
