#pragma once

namespace platform {

// Standard output passes bytes through unchanged (no line-end translation on Windows).
void SetBinaryStdout();

}  // namespace platform
