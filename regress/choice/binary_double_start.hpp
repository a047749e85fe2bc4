// The start of a long binary PROBIT or LOGIT fit, found in double precision. Newton's method
// converges quadratically, so every iteration but the last ones only brings the parameters near
// the maximum: those are taken here on the whole sample with each row's terms in double, at a
// small fraction of a binary128 pass, until the step is at the level of double's rounding. The
// binary128 fit then starts from that point and its own iterations, under the same convergence
// rule as from any other start, decide the estimates. The double values only choose the start:
// no estimate, statistic or stored value comes from them. Both log-likelihoods are concave, so
// the maximum the double iterations approach is the only one there is.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"
#include "regress/choice/binary_rows.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_link.hpp"

#include <functional>

#include <cstddef>
#include <vector>

namespace tarvex {

// At most this many double iterations (a start that needs more is not found).
inline constexpr int DOUBLE_START_ITERATIONS = 30;
// The binary128 log-likelihood at the end must not fall below the double one at the start by
// more than this, relative to it: a guard against a start that led somewhere else.
inline const Real DOUBLE_START_LLF_MARGIN = 1e-10Q;

// The double start is taken only under a convergence rule at least this tight: a looser one
// stops where the path to the maximum decides the estimates.
inline const Real DOUBLE_START_LOOSEST_TOLERANCE = 1e-20Q;

struct DoubleStart {
    // False when the double iterations could not bring the fit near a maximum (a value beyond
    // double's range, a Hessian not negative definite, no rise along a step, too many
    // iterations): the caller goes on from its own start as if there had been none.
    bool found = false;
    int iterations = 0;
    std::vector<Real> theta; // the last double iterate, exactly
    // The parameters and log-likelihood (as double gave it) after each iteration.
    std::vector<std::vector<Real>> history;
    std::vector<Real> history_llf;
    Real start_llf = 0; // the log-likelihood at the given start, in double
};

// Runs at most `max_iterations` double Newton iterations from `start` over every row of
// `data` (with its weights). `interrupt` is asked before every iteration.
DoubleStart binary_double_start(ChoiceLink link, const ChoiceData& data,
                                const std::vector<Real>& start, int max_iterations,
                                const InterruptCheck& interrupt);

// The log-likelihood, gradient and Hessian (k x k, full) in double at a point.
struct DoublePoint {
    double llf = 0;
    std::vector<double> gradient, hessian;
};

// Rows of the sample in double, column by column.
struct DoubleSample {
    std::vector<std::vector<double>> x;
    std::vector<double> weight; // empty: every row once
    std::vector<unsigned char> one;
    std::size_t n = 0;
};

// The rows in double (start_double of each value).
DoubleSample double_sample(const BinaryRows& rows);

// A point's sums are formed by double_point_start, then add_double_rows over the rows in order
// (over all of them at once, or block after block: the same bits), then double_point_end, false
// when a term is not finite. Without `derivatives` only the log-likelihood is summed.
void double_point_start(std::size_t k, DoublePoint& out);
void add_double_rows(ChoiceLink link, const DoubleSample& d, const std::vector<double>& b,
                     bool derivatives, DoublePoint& out);
bool double_point_end(DoublePoint& out);

// The double Newton iterations of binary_double_start, over rows that `point(b, derivatives,
// out)` sums (false when a term is not finite).
using DoublePointSums =
    std::function<bool(const std::vector<double>& b, bool derivatives, DoublePoint& out)>;
DoubleStart double_newton_start(const std::vector<Real>& start, int max_iterations,
                                const InterruptCheck& interrupt, const DoublePointSums& point);

// The double nearest below in magnitude to `v` (its significand cut to double's), infinity
// beyond double's range, 0 below it: good enough for a start, and cheaper than a rounded
// conversion on every element of a long sample.
double start_double(Real v);

} // namespace tarvex
