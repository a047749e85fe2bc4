// Work-area sizes against the machine: physical memory from sysconf, the address-space limit
// from getrlimit and what the process already maps from /proc/self/statm.
#include "interp/memory_limit.hpp"

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr long double WORD_BYTES = 16;        // one binary128 data word
constexpr long double VARIABLE_BYTES = 128;   // name (24 characters), slots, scan entries
constexpr long double EXTRA_WORDS_PER_VARIABLE = 2;

long double mapped_bytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return 0;
    unsigned long long pages = 0;
    const bool read = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    return read ? static_cast<long double>(pages) * sysconf(_SC_PAGESIZE) : 0;
}

} // namespace

long double work_area_bytes(long double kilobytes, long double variables) {
    return kilobytes * 1024 + variables * (VARIABLE_BYTES + EXTRA_WORDS_PER_VARIABLE * WORD_BYTES);
}

long double memory_allowed_bytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    long double allowed = pages > 0 && page_size > 0
                              ? static_cast<long double>(pages) * page_size
                              : static_cast<long double>(1ULL << 62);
    struct rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        allowed = std::min(allowed, static_cast<long double>(limit.rlim_cur) - mapped_bytes());
    return std::max<long double>(allowed, 0);
}

} // namespace tarvex
