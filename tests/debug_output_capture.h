#pragma once

#include <string>

// Collects what the code under test writes to the debug output while the object lives: the
// debugger channel on Windows, standard error elsewhere.
class DebugOutputCapture {
  public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Everything written since construction; ends the capture.
    std::string Take();

  private:
    bool taken_ = false;
    std::string text_;
};
