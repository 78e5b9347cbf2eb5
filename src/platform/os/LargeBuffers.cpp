#include "os/LargeBuffers.h"

#include <cstdint>
#include <sys/mman.h>

namespace os {

void preferLargePages(void* start, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    // Only whole large pages inside the buffer: the advice covers the pages it names, and the memory
    // around the buffer belongs to others.
    const auto from = (reinterpret_cast<std::uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kLargePage - 1);
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

} // namespace os
