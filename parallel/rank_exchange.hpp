// The exchanges between ranks that a pass over rows needs beside the exact sums: values carried
// along the rows from one rank's share to the next (sums added in row order, which no reduction
// can reproduce bit for bit), the values of every rank gathered in rank order (the edge values of
// each share, the per-rank extremes, short samples put together whole), and counts summed.
// Collective as ranks.hpp: every rank makes the same calls in the same order. With one rank
// every call leaves its arguments as they are (a gather returns the rank's own values).
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace tarvex::parallel {

// Values added in row order through the ranks one after the other: rank r > 0 waits for the
// values rank r - 1 passed on and replaces `values` by them before its share's pass ...
void receive_from_previous_rank(Real* values, std::size_t n);
// ... and passes its values on to rank r + 1 after it (the last rank passes nothing) ...
void pass_to_next_rank(const Real* values, std::size_t n);
// ... and once every rank is done, the last rank's values (the whole sums) go to every rank.
void take_from_last_rank(Real* values, std::size_t n);
// The same for sums in double (the double iterations that choose a fit's start).
void receive_from_previous_rank(double* values, std::size_t n);
void pass_to_next_rank(const double* values, std::size_t n);
void take_from_last_rank(double* values, std::size_t n);

// Every rank's `mine`, in rank order, on every rank (the ranks may give different lengths).
std::vector<Real> gather_over_ranks(const std::vector<Real>& mine);
std::vector<long long> gather_over_ranks(const std::vector<long long>& mine);

// values[0 .. n-1] replaced on every rank by their sums over the ranks.
void sum_over_ranks(long long* values, std::size_t n);

} // namespace tarvex::parallel

namespace tarvex::parallel {

// The collective check after a step that may fail on some ranks only, as all_ranks_ok, except
// that when the step failed on every rank (a failure the data or the statement cause, which one
// process meets as well) each rank keeps its own line, without a rank named: the line rank 0
// prints is then the one a run of one process prints.
bool every_rank_ok(bool mine, std::string& failure);
// The same, for a failure that also stores a number ($ERR): where some ranks succeeded, every rank
// takes the number of the lowest failing rank with its line; where every rank failed, each keeps
// its own line and number.
bool every_rank_ok(bool mine, std::string& failure, int& number);

} // namespace tarvex::parallel
