#pragma once

namespace platform {

// The debugger output on Windows; standard error elsewhere, where no debugger listens.
void WriteDebugOutput(const char* text);

// Also copies debug output to standard error on Windows, for console tools.
void MirrorDebugOutputToStderr();

}  // namespace platform
