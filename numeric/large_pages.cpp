// madvise(MADV_HUGEPAGE) over the 2 MB pages of a range.
#include "numeric/large_pages.hpp"

#include <cstdint>
#include <sys/mman.h>

namespace tarvex {

void advise_large_pages(void* data, std::size_t bytes) {
    constexpr std::uintptr_t LARGE_PAGE = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + LARGE_PAGE - 1) & ~(LARGE_PAGE - 1);
    const std::uintptr_t last = (begin + bytes) & ~(LARGE_PAGE - 1);
    if (data != nullptr && last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace tarvex
