#include "platform/memory.h"

namespace platform {

// The Windows heap decommits large free blocks by itself.
void ReleaseFreedMemory() {}

}  // namespace platform
