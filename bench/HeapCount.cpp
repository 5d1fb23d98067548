#include "HeapCount.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

} // namespace

namespace heapcount {

std::size_t liveBytes() {
    return live.load();
}

std::size_t peakBytes() {
    return peak.load();
}

void resetPeak() {
    peak = live.load();
}

} // namespace heapcount

void* operator new(std::size_t size) {
    void* memory = std::malloc(size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = live += malloc_usable_size(memory);
    std::size_t highest = peak.load();
    while (now > highest && !peak.compare_exchange_weak(highest, now)) {
    }
    return memory;
}

// GCC takes the free() in a replaced operator delete for a mismatch with new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
    if (memory != nullptr) {
        live -= malloc_usable_size(memory);
        std::free(memory);
    }
}
#pragma GCC diagnostic pop

void operator delete(void* memory, std::size_t) noexcept {
    operator delete(memory);
}
