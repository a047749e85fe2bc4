// Asking the kernel to back a long vector with 2 MB pages before it is first written: a vector
// of millions of binary128 values then takes a few dozen page faults instead of tens of
// thousands, which on virtual machines cost more than the arithmetic that fills them.
#pragma once

#include <cstddef>
#include <vector>

namespace tarvex {

// Advises large pages for the whole 2 MB pages inside [data, data + bytes); short ranges and
// systems without the advice are left as they are.
void advise_large_pages(void* data, std::size_t bytes);

// Reserves room for `count` elements of `v` (empty or not) and advises large pages for it.
template <class T>
void reserve_large(std::vector<T>& v, std::size_t count) {
    v.reserve(count);
    advise_large_pages(v.data(), v.capacity() * sizeof(T));
}

} // namespace tarvex
