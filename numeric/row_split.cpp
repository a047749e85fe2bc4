// Whether the machine has a second processor for split row work (asked once).
#include "numeric/row_split.hpp"

namespace tarvex {

bool two_threads_available() {
    static const bool available = std::thread::hardware_concurrency() >= 2;
    return available;
}

} // namespace tarvex
