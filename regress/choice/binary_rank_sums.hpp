// The sums of the binary PROBIT and LOGIT passes over rows shared between the ranks of a run
// (series bound to a file, each rank reading its share, cut at whole chunks of PASS_CHUNK rows).
// A pass adds its chunks' sums in chunk order, and no reduction of per-rank sums gives those
// bits: each rank keeps the sums of its own chunks, the chunks of every rank are gathered in rank
// order, and every rank adds them all in order, as one process adds the chunks of all the rows.
// The double iterations add row after row: their sums are carried from rank to rank in row order.
// With one rank every gather returns the rank's own values and nothing is carried.
#pragma once

#include "regress/choice/binary_double_start.hpp"
#include "regress/choice/binary_parts.hpp"
#include "regress/choice/choice_pass.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// Appends the sums of each chunk of `rows` at b (its chunks counted from the first row of
// `rows`) to `chunks`, summed as add_binary_pass sums them; root[i] = sqrt(w_i) when not null. A
// failing row is recorded as `first_row` + its index.
void add_binary_pass_chunks(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                            std::vector<PassSums>& chunks, Real* root, long long first_row);

// Appends the third-order terms of each chunk of `rows` along d from b (add_binary_step_terms)
// to `chunks`.
void add_binary_step_chunks(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                            const std::vector<Real>& d, std::vector<PassSums>& chunks,
                            long long first_row);
// The chunks of every rank, in rank order, merged in order into `sums` (from zero, p parameters).
void merge_pass_chunks_over_ranks(const std::vector<PassSums>& chunks, int p, PassSums& sums);

// Appends each chunk's totals of `rows` at theta (as add_binary_totals sums them) to `chunks`.
void add_binary_totals_chunks(ChoiceLink link, const BinaryRows& rows,
                              const std::vector<Real>& theta, std::vector<BinaryTotals>& chunks);

// The chunks' totals of every rank, in rank order, added in order into `totals` (from zero).
void merge_totals_over_ranks(const std::vector<BinaryTotals>& chunks, BinaryTotals& totals);

// The double sums carried along the rows: a rank takes the previous rank's sums before adding
// its rows, passes them on after, and once every rank is done takes the last rank's.
void receive_double_point(DoublePoint& point);
void pass_double_point(const DoublePoint& point);
void take_double_point(DoublePoint& point);

// The rows of every rank's `mine` (the rows of a preliminary fit), in rank order, on every rank;
// with `weighted` each row's weight too (a rank without rows holds no weights).
ChoiceData gather_rows_over_ranks(const ChoiceData& mine, bool weighted);

} // namespace tarvex
