#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/runtime/test_runtime.h"
#include "webhost/com_ptr.h"

class FakeController;

struct PlannedFailure {
    HRESULT result = S_OK;
    bool inCompletion = false;
    int times = 0;

    // The failure due now at this point of a creation (at once or in the completion), S_OK if
    // none; each creation uses up at most one.
    HRESULT Take(bool atCompletion);
};

// Everything one loaded copy of the test runtime knows. Single-threaded, like the real runtime's
// UI side.
struct RuntimeState {
    std::vector<EnvironmentCall> environmentCalls;
    std::vector<std::string> journal;
    std::vector<ComPtr<FakeController>> controllers;
    PlannedFailure environmentFailure;
    PlannedFailure controllerFailure;
    bool offerWebView22 = true;
    bool holdCompletions = false;
    std::map<UINT_PTR, std::function<void()>> waiting;
    std::vector<UINT_PTR> held;
    UINT_PTR nextCompletion = 1;
    HWND messageWindow = nullptr;
};

RuntimeState& State();

void Record(const std::string& line);
std::string Utf8(const wchar_t* text);

// Queues a completion for the calling thread's message loop (or holds it).
void Complete(std::function<void()> completion);
void PostCompletion(UINT_PTR id);

// An out-parameter filled, as every getter of the runtime does.
template <typename T, typename Value>
HRESULT Give(T* out, Value value) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = value;
    return S_OK;
}

// A copy of a text for a caller that frees it with CoTaskMemFree.
HRESULT CopyOut(const std::wstring& text, LPWSTR* out);

// HRESULT_FROM_WIN32(ERROR_INVALID_STATE): what the runtime answers once a controller is closed.
constexpr HRESULT kClosedResult = static_cast<HRESULT>(0x8007139F);
