#include "platform/debug_output.h"

#include <cstdio>

namespace platform {

void WriteDebugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void MirrorDebugOutputToStderr() {}

}  // namespace platform
