#include "platform/console.h"

namespace platform {

void SetBinaryStdout() {}

}  // namespace platform
