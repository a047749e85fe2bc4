// The pieces of the binary PROBIT and LOGIT estimator that the sample in memory and series bound
// to a file share: where the rows come from (BinarySource: the passes over them, the rows of a
// preliminary fit), the choice of start and fit over any source, the rows' totals at the
// estimates, and what is made of the fit once its covariance is known. Each is written once, so
// that the estimate over blocks of rows is that of the same rows in memory, bit for bit.
#pragma once

#include "regress/choice/binary_choice.hpp"
#include "regress/choice/binary_double_start.hpp"
#include "regress/choice/binary_rows.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// The rows of a binary sample as the fit reads them.
class BinarySource {
public:
    virtual ~BinarySource() = default;
    virtual std::size_t rows() const = 0;
    // The log-likelihood and gradient at b, into `sums` from zero.
    virtual void pass(const std::vector<Real>& b, PassSums& sums) = 0;
    // The terms of third order along the step d from b (binary_step_terms.hpp), into `sums`
    // from zero.
    virtual void step_terms(const std::vector<Real>& b, const std::vector<Real>& d,
                            PassSums& sums) = 0;
    // The Newton (or other) fit from `start` over every row.
    virtual ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) = 0;
    // The double iterations from `start` over every row.
    virtual DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                                     const InterruptCheck& interrupt) = 0;
    // The rows `keep` (ascending) as a sample in memory, for a preliminary fit.
    virtual ChoiceData rows_at(const std::vector<std::size_t>& keep) = 0;
};

// The fit from `start` (the intercept-only fit): on a long sample the first iterations in double,
// else (or when those find no start) in binary128 throughout after a preliminary fit on a
// subsample of a long sample. Sets the estimate's count of double iterations and the rows of the
// preliminary fit.
ChoiceFit fit_binary_source(ChoiceLink link, BinarySource& source, const std::vector<Real>& start,
                            const ChoiceControl& control, BinaryEstimate& e);

// The rows' sums at the estimates: the prediction table, sum f(z_i), sum f'(z_i) x_i and the
// (weighted) sums of the regressors.
struct BinaryTotals {
    long long table[2][2] = {{0, 0}, {0, 0}};
    Real density = 0;
    std::vector<Real> slope_x, x_sum;
    explicit BinaryTotals(std::size_t k) : slope_x(k, Real(0)), x_sum(k, Real(0)) {}
    // Adds the totals of the rows after these (a chunk's, in chunk order).
    void merge(const BinaryTotals& t) {
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b) table[a][b] += t.table[a][b];
        density += t.density;
        for (std::size_t j = 0; j < slope_x.size(); ++j) {
            slope_x[j] += t.slope_x[j];
            x_sum[j] += t.x_sum[j];
        }
    }
};

// Adds the rows of `rows` at `theta` to `totals` (chunk after chunk, in order, after what it
// holds), and when not null sets each row's probability F(z_i), generalised residual and log
// F(q_i z_i) (indexed from the first row of `rows`).
void add_binary_totals(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& theta,
                       BinaryTotals& totals, Real* probability, Real* residual, Real* log_terms);

// The log-likelihood and gradient of the rows of `rows` at b, merged into `sums` after what it
// holds; root[i] = sqrt(w_i) and score[i] = |a_i| when not null. A failing row is recorded as
// `first_row` + its index.
void add_binary_pass(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                     PassSums& sums, Real* root, Real* score, long long first_row);

// What the estimate reports once the fit and its covariance are known: the result stored, the
// test of the slopes, the pseudo R-squares, the share predicted right and the marginal effects.
// `llf0` the log-likelihood of the constants, `total` the rows counted with their weights.
void describe_binary(ChoiceLink link, const ChoiceFit& fit, std::vector<Real> cov,
                     const BinaryTotals& totals, Real llf0, Real total, int intercept,
                     BinaryEstimate& e);

// The log-likelihood of the intercept alone (or of every coefficient 0 without one) and the
// start of the fit: intercept at F^-1(share of ones), slopes 0.
Real constants_llf(Real ones, Real total, bool intercept);
std::vector<Real> simple_start(ChoiceLink link, int k, int intercept, Real share);

} // namespace tarvex
