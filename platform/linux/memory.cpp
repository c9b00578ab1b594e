#include "platform/memory.h"

#include <malloc.h>

namespace platform {

void ReleaseFreedMemory() {
    malloc_trim(0);
}

}  // namespace platform
