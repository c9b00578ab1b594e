#include "tests/runtime/runtime_state.h"

#include "platform/windows/this_module.h"
#include "tests/runtime/fake_objects.h"
#include "webhost/wide_text.h"

#include <utility>

namespace {

constexpr UINT kCompletionMessage = WM_APP + 1;

LRESULT CALLBACK CompletionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kCompletionMessage) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto& waiting = State().waiting;
    const auto found = waiting.find(static_cast<UINT_PTR>(wParam));
    if (found != waiting.end()) {
        std::function<void()> completion = std::move(found->second);
        waiting.erase(found);
        completion();
    }
    return 0;
}

// A message-only window per loaded copy; its class name carries the module so that copies do not
// share one.
HWND MessageWindow() {
    RuntimeState& state = State();
    if (state.messageWindow != nullptr) {
        return state.messageWindow;
    }
    const HMODULE module = platform::ThisModule();
    const std::wstring className =
        L"MarrowpeekTestRuntime" + std::to_wstring(reinterpret_cast<UINT_PTR>(module));
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CompletionWindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = className.c_str();
    RegisterClassW(&windowClass);
    state.messageWindow = CreateWindowExW(0, className.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, module, nullptr);
    return state.messageWindow;
}

}  // namespace

RuntimeState& State() {
    static RuntimeState state;
    return state;
}

HRESULT PlannedFailure::Take(bool atCompletion) {
    if (times <= 0 || inCompletion != atCompletion) {
        return S_OK;
    }
    --times;
    return result;
}

void Record(const std::string& line) {
    State().journal.push_back(line);
}

std::string Utf8(const wchar_t* text) {
    return text != nullptr ? Utf8FromWide(text) : "(null)";
}

void Complete(std::function<void()> completion) {
    RuntimeState& state = State();
    const UINT_PTR id = state.nextCompletion++;
    state.waiting.emplace(id, std::move(completion));
    if (state.holdCompletions) {
        state.held.push_back(id);
    } else {
        PostCompletion(id);
    }
}

void PostCompletion(UINT_PTR id) {
    PostMessageW(MessageWindow(), kCompletionMessage, id, 0);
}

HRESULT CopyOut(const std::wstring& text, LPWSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (*out == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::copy(text.c_str(), text.c_str() + text.size() + 1, *out);
    return S_OK;
}
