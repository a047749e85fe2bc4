// The exact sums of every rank's share of the rows, added together on every rank: the one
// reduction a least-squares pass over rows partitioned between ranks needs. Exact sums are
// associative, so the reduced sums are bit for bit those of one pass over all the rows, however
// many ranks share them.
//
// How an estimator over rows bound on disk uses it (the block source of each rank delivers
// that rank's share, parallel/ranks.hpp share_of_rows):
//   1. pass over its blocks, adding into its accumulators (an exact Gram matrix: one
//      ExactAccumulator per entry, plus the sums of y and y'y);
//   2. std::string failure = source.failure();
//      if (!all_ranks_ok(failure.empty(), failure)) -> report_error(failure) on every rank,
//      end the command (every rank stops at the same point);
//   3. reduce_exact_sums(accumulators); rows = sum_over_ranks(rows);
//      finite = all_ranks_true(finite);
//   4. solve and report as for one process: every rank holds the same sums, so every rank
//      computes the same estimates; only rank 0's report lines and files are written.
#pragma once

#include "numeric/exact_dot.hpp"

#include <cstddef>
#include <vector>

namespace tarvex::parallel {

// Replaces sums[0 .. n-1] on every rank by the exact sums over all ranks of the same entries
// (an all-reduce through an MPI operation that merges the packed forms of exact_packing.hpp).
// Every rank must pass the same n. A NaN or infinite term on any rank makes the entry's sum
// the IEEE sum of those ranks' special sums. With one rank nothing changes.
void reduce_exact_sums(ExactAccumulator* sums, std::size_t n);
inline void reduce_exact_sums(std::vector<ExactAccumulator>& sums) {
    reduce_exact_sums(sums.data(), sums.size());
}

// The bytes one reduction moves per rank and step for these sums (the packed form over the
// limbs in use on this rank): for the timing model of bench/mpi_reduce.sh.
std::size_t packed_bytes(const ExactAccumulator* sums, std::size_t n);

} // namespace tarvex::parallel
