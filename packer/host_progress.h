#pragma once

#include <cstdint>
#include <string>

#include "archive/packer_abi.h"

// The host's progress callback, Unicode or else ANSI, told how far a piece of work has come.
class HostProgress {
  public:
    HostProgress(tProcessDataProcW wide, tProcessDataProc ansi, const std::wstring& name);

    // Passes on the bytes done since the last call, in steps an int holds; false once the host
    // has answered 0 (Cancel), and from then on.
    bool Advance(std::int64_t bytesDone);

  private:
    tProcessDataProcW wide_;
    tProcessDataProc ansi_;
    std::wstring name_;
    std::string ansiName_;
    std::int64_t reported_ = 0;
    bool cancelled_ = false;
};
