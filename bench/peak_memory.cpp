#include "peak_memory.h"

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// Signed: blocks made before a measurement may be freed during it.
std::atomic<bool> counting{false};
std::atomic<std::int64_t> current{0};
std::atomic<std::int64_t> peak{0};

void* Allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    if (counting.load(std::memory_order_relaxed)) {
        const std::int64_t now = current += static_cast<std::int64_t>(malloc_usable_size(block));
        std::int64_t seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
    }
    return block;
}

void Release(void* block) noexcept {
    if (block != nullptr) {
        if (counting.load(std::memory_order_relaxed)) {
            current -= static_cast<std::int64_t>(malloc_usable_size(block));
        }
        std::free(block);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    Release(block);
}
void operator delete[](void* block) noexcept {
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}

namespace peak_memory {

void Start() {
    current = 0;
    peak = 0;
    counting = true;
}

std::size_t Stop() {
    counting = false;
    return static_cast<std::size_t>(peak.load());
}

}  // namespace peak_memory
