#pragma once

namespace platform {

// Hands memory that was freed back to the system, where the allocator keeps it otherwise: a
// large transient phase (decoding) then does not add to the peak of the next (the document).
void ReleaseFreedMemory();

}  // namespace platform
