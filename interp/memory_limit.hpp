// How much memory a work area of a given size takes, and how much this machine lets the run
// have: PAR and SIZE refuse a size beyond it before anything is freed or allocated.
#pragma once

namespace tarvex {

// Bytes of a work area of `kilobytes` of data words and `variables` variable slots (the name,
// slot and scan tables included).
long double work_area_bytes(long double kilobytes, long double variables);
// The most the run can be given: the physical memory, or less when the address-space limit
// (RLIMIT_AS) leaves less room above what the process already maps.
long double memory_allowed_bytes();

} // namespace tarvex
