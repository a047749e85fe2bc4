// Exact sums in a compact, mergeable form, for moving them between processes: each accumulator
// becomes a record of 64-bit words holding only the limbs in use (a range every process agrees
// on), so that two packed forms merge by plain multi-limb addition, exactly, in any order, and
// the merged form unpacks into the accumulator of all their terms.
//
// Layout of a packed form: word 0 is the total number of words; then one record per
// accumulator: [limbs m][special 0/1][special sum, 2 words][positive limbs, m][negative limbs, m].
#pragma once

#include "numeric/exact_dot.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvex::parallel {

// Two ints per accumulator: the lowest limb in use and minus the highest (LIMBS and 1 for an
// empty one), so that the element-wise minimum over several processes gives the range that
// covers all of theirs.
std::vector<int> limb_ranges(const ExactAccumulator* sums, std::size_t n);

// The packed form of sums[0 .. n-1] over `ranges` (the element-wise minimum of every
// process's limb_ranges). Each record keeps one limb above the highest in use, so that sums
// from up to 2^64 processes merge without a carry out of the record.
std::vector<std::uint64_t> pack_exact_sums(const ExactAccumulator* sums, std::size_t n,
                                           const std::vector<int>& ranges);

// Adds the packed form `in` into `inout` (both packed over the same ranges): the limbs exactly;
// the IEEE sums of NaN or infinite terms as IEEE sums, which then stand for the whole sum.
void merge_packed_sums(const std::uint64_t* in, std::uint64_t* inout);

// Sets sums[0 .. n-1] from a packed form over `ranges`.
void unpack_exact_sums(const std::uint64_t* packed, const std::vector<int>& ranges,
                       ExactAccumulator* sums, std::size_t n);

} // namespace tarvex::parallel
