#include "platform/console.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace platform {

void SetBinaryStdout() {
    _setmode(_fileno(stdout), _O_BINARY);
}

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

}  // namespace platform
