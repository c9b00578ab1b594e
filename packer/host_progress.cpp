#include "packer/host_progress.h"

#include <algorithm>
#include <climits>

#include "platform/windows/code_page.h"

HostProgress::HostProgress(tProcessDataProcW wide, tProcessDataProc ansi, const std::wstring& name)
    : wide_(wide),
      ansi_(wide == nullptr ? ansi : nullptr),
      name_(name),
      ansiName_(ansi_ != nullptr ? platform::AnsiFromWide(name) : std::string()) {}

bool HostProgress::Advance(std::int64_t bytesDone) {
    while (reported_ < bytesDone && !cancelled_ && (wide_ != nullptr || ansi_ != nullptr)) {
        const auto step = static_cast<int>(std::min<std::int64_t>(bytesDone - reported_, INT_MAX));
        reported_ += step;
        cancelled_ =
            (wide_ != nullptr ? wide_(name_.data(), step) : ansi_(ansiName_.data(), step)) == 0;
    }
    return !cancelled_;
}
