// A stretch of consecutive rows of a TOBIT sample, as every pass of the estimator reads them: the
// whole sample in memory, or one block of rows of series bound to a file. Each pass over the rows
// (the binary128 log-likelihood and gradient, the double iterations, the counts and sums of the
// sample) is written once over such a stretch; a pass over blocks calls it block after block,
// carrying its sums across, and gets the bits of the pass over the whole sample because the
// blocks are cut at multiples of the pass's chunk and the sums that are not chunked are added
// row after row.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/binary_double_start.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_pass.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// Where a TOBIT row lies: censored below, uncensored, censored above.
enum class TobitSide : unsigned char { BELOW, BETWEEN, ABOVE };

struct TobitStretch {
    const Real* y = nullptr;      // n values of the dependent variable
    std::vector<const Real*> x;   // K columns of n values
    const Real* weight = nullptr; // n frequency weights, or null: every row once
    const TobitSide* side = nullptr;
    const Real* limit = nullptr; // the last column of the row vectors: -L below, -U above, -y
    std::size_t n = 0;

    bool weighted() const { return weight != nullptr; }
    Real weight_of(std::size_t i) const { return weight == nullptr ? Real(1) : weight[i]; }
};

// Where y lies under the censoring.
TobitSide tobit_side(Real y, const TobitCensoring& c);

// The side and the last column of the row vectors of n rows of y, into side[0 .. n) and
// limit[0 .. n).
void tobit_sides(const Real* y, std::size_t n, const TobitCensoring& c, TobitSide* side,
                 Real* limit);

// The counts and sums of a sample that the fit and the report need, added row after row.
struct TobitTotals {
    long long below = 0, above = 0;
    Real between = 0;        // the uncensored rows, counted with their weights
    Real total = 0;          // every row, counted with its weight
    std::vector<Real> x_sum; // per regressor, sum w_i x_ij
    explicit TobitTotals(std::size_t k = 0) : x_sum(k, Real(0)) {}
};

// Adds the rows of `rows` to `totals`, after what it holds.
void add_tobit_totals(const TobitStretch& rows, TobitTotals& totals);

// The log-likelihood and gradient in Olsen's parameters theta = (g, t) of the rows of `rows`,
// chunk after chunk, merged into `sums` after what it holds; root[i] = sqrt(w_i) of the row's
// Hessian weight and score[i] = |a_i| when not null. A row whose term is not defined is recorded
// as `first_row` + its index. The uncensored rows' N_u log t is not a row's: finish_tobit_pass
// adds it.
void add_tobit_pass(const TobitStretch& rows, const TobitCensoring& c,
                    const std::vector<Real>& theta, PassSums& sums, Real* root, Real* score,
                    long long first_row);

// Adds N_u log t and its gradient to a pass's sums (hessian null), or its Hessian -N_u / t^2 to
// `hessian` (P x P); `between` is N_u, the uncensored rows with their weights.
void finish_tobit_pass(Real between, const std::vector<Real>& theta, PassSums& sums,
                       std::vector<Real>* hessian);

// The rows in double for the double iterations (start_double of each value).
struct TobitDoubleRows {
    std::vector<std::vector<double>> v; // the row vectors (x, limit) column by column
    std::vector<double> y, weight;      // weight empty: every row once
    const TobitSide* side = nullptr;
    std::size_t n = 0;
};
TobitDoubleRows tobit_double_rows(const TobitStretch& rows);

// Adds the rows of `d` at theta to a double point's sums (reset before the first rows; see
// finish_tobit_double after the last). Without `derivatives` only the log-likelihood is summed.
void add_tobit_double_rows(const TobitDoubleRows& d, const TobitCensoring& c,
                           const std::vector<double>& theta, bool derivatives, DoublePoint& out);

// Starts a double point at theta: false (the point untouched) when t is not above 0, else its
// sums cleared. Then the rows, then N_u log t (and its derivatives) after the last row, which
// completes the point: false when a sum is not finite.
bool start_tobit_double(const std::vector<double>& theta, DoublePoint& out);
bool finish_tobit_double(double between, const std::vector<double>& theta, bool derivatives,
                         DoublePoint& out);

} // namespace tarvex
