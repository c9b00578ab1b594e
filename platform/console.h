#pragma once

namespace platform {

// Standard output passes bytes through unchanged (no line-end translation on Windows).
void SetBinaryStdout();

// Whether standard error is a terminal, where a progress line may overwrite itself.
bool StderrIsTerminal();

}  // namespace platform
