#include "tests/debug_output_capture.h"

#ifdef _WIN32
#include <windows.h>

#include "webview2/wide_text.h"

namespace {

std::string captured;
void* handler = nullptr;

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the length (terminator included) and the
// text, OutputDebugStringW raises DBG_PRINTEXCEPTION_WIDE_C the same way; answering them
// ourselves is what a debugger does.
LONG CALLBACK CatchDebugPrint(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto length = static_cast<int>(record->ExceptionInformation[0]);
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C) {
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        if (text != nullptr && length > 0) {
            captured.append(text, length - 1);
        }
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
        const auto* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
        if (text != nullptr && length > 1) {
            captured += Utf8FromWide(std::wstring_view(text, length - 1));
        }
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebugOutputCapture::DebugOutputCapture() {
    captured.clear();
    handler = AddVectoredExceptionHandler(1, CatchDebugPrint);
}

DebugOutputCapture::~DebugOutputCapture() {
    Take();
}

std::string DebugOutputCapture::Take() {
    if (!taken_) {
        RemoveVectoredExceptionHandler(handler);
        text_ = captured;
        taken_ = true;
    }
    return text_;
}

#else
#include <gtest/gtest.h>

DebugOutputCapture::DebugOutputCapture() {
    testing::internal::CaptureStderr();
}

DebugOutputCapture::~DebugOutputCapture() {
    Take();
}

std::string DebugOutputCapture::Take() {
    if (!taken_) {
        text_ = testing::internal::GetCapturedStderr();
        taken_ = true;
    }
    return text_;
}
#endif
