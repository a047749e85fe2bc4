// Work-area sizes against the machine: physical memory from sysconf, the address-space limit
// from getrlimit and what the process already maps from /proc/self/statm. All counts are checked
// 64-bit integers.
#include "interp/memory_limit.hpp"

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr std::uint64_t KILOBYTE = 1024;
constexpr std::uint64_t NO_LIMIT = std::uint64_t{1} << 62; // when the machine does not say

std::uint64_t mapped_bytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    unsigned long long pages = 0;
    const bool read = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    const long page_size = sysconf(_SC_PAGESIZE);
    std::uint64_t bytes = 0;
    if (!read || page_size <= 0 ||
        __builtin_mul_overflow(static_cast<std::uint64_t>(pages),
                               static_cast<std::uint64_t>(page_size), &bytes))
        return 0;
    return bytes;
}

} // namespace

std::optional<std::uint64_t> work_area_bytes(std::uint64_t kilobytes, std::uint64_t variables) {
    std::uint64_t data = 0, tables = 0, total = 0;
    if (__builtin_mul_overflow(kilobytes, KILOBYTE, &data) ||
        __builtin_mul_overflow(variables, BYTES_PER_VARIABLE, &tables) ||
        __builtin_add_overflow(data, tables, &total))
        return std::nullopt;
    return total;
}

std::uint64_t memory_allowed_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    std::uint64_t allowed = NO_LIMIT;
    std::uint64_t physical = 0;
    if (pages > 0 && page_size > 0 &&
        !__builtin_mul_overflow(static_cast<std::uint64_t>(pages),
                                static_cast<std::uint64_t>(page_size), &physical))
        allowed = physical;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t cap = static_cast<std::uint64_t>(limit.rlim_cur);
        const std::uint64_t mapped = mapped_bytes();
        allowed = std::min(allowed, cap > mapped ? cap - mapped : 0);
    }
    return allowed;
}

} // namespace tarvex
