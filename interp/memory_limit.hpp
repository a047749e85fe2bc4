// How much memory a work area of a given size takes, and how much this machine lets the run
// have: PAR and SIZE refuse a size beyond it before anything is freed or allocated. The counts
// are whole bytes in 64 bits; a count that does not fit is refused, never rounded.
#pragma once

#include <cstdint>
#include <optional>

namespace tarvex {

// Bytes one variable slot takes in a work area: its name (24 characters), slots and scan entries,
// and two binary128 data words.
inline constexpr std::uint64_t BYTES_PER_VARIABLE = 128 + 2 * 16;

// Bytes of a work area of `kilobytes` of data words and `variables` variable slots (the name,
// slot and scan tables included); nothing when the count does not fit in 64 bits.
std::optional<std::uint64_t> work_area_bytes(std::uint64_t kilobytes, std::uint64_t variables);
// The most the run can be given: the physical memory, or less when the address-space limit
// (RLIMIT_AS) leaves less room above what the process already maps.
std::uint64_t memory_allowed_bytes();

} // namespace tarvex
