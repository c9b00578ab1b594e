#pragma once

#include <cstddef>

// Heap bytes in use, counted by this program's replacement of the global allocation functions
// while a measurement runs. Outside one, allocation costs what it costs without the counting.
namespace peak_memory {

void Start();
// The most bytes in use at once since Start, beyond what was in use at Start.
std::size_t Stop();

}  // namespace peak_memory
