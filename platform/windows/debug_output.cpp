#include "platform/debug_output.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace platform {
namespace {

std::atomic<bool> mirrorToStderr{false};

}  // namespace

void WriteDebugOutput(const char* text) {
    OutputDebugStringA(text);
    if (mirrorToStderr.load(std::memory_order_relaxed)) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}

void MirrorDebugOutputToStderr() {
    mirrorToStderr = true;
}

}  // namespace platform
