#include "platform/console.h"

#include <unistd.h>

namespace platform {

void SetBinaryStdout() {}

bool StderrIsTerminal() {
    return ::isatty(2) == 1;
}

}  // namespace platform
