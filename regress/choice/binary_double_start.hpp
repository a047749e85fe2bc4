// The start of a long binary PROBIT or LOGIT fit, found in double precision (TOBIT's shares the
// iterations, see tobit_rows.hpp). Newton's method
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
#include "regress/choice/choice_fit.hpp"
#include "regress/choice/choice_link.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Whether the control lets the first iterations be taken in double: Newton's method, more than
// one iteration, a convergence rule at least as tight as the one above, and not switched off.
bool double_start_allowed(const ChoiceControl& control);

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

// The double iterations from `start` and the binary128 fit from where they end, with the
// iterations left of `control`; false when the double iterations found no start. `Source` is the
// sample a PROBIT, LOGIT or TOBIT fit reads (its double_start and fit).
template <class Source>
bool fit_on_from_double_start(Source& source, const std::vector<Real>& start,
                              const ChoiceControl& control, DoubleStart& first, ChoiceFit& last) {
    first = source.double_start(
        start, std::min(DOUBLE_START_ITERATIONS, control.max_iterations - 1), control.interrupt);
    if (!first.found) return false;
    ChoiceControl rest = control;
    rest.max_iterations = control.max_iterations - first.iterations;
    last = source.fit(first.theta, rest);
    return true;
}

// Whether the binary128 fit from a double start is kept: it converged, to a log-likelihood not
// below the double one at the start (good to far better than the margin).
bool double_start_held(const DoubleStart& first, const ChoiceFit& last);

// The double iterations put before the binary128 ones, in the count and in the history.
void prepend_double_iterations(const DoubleStart& first, ChoiceFit& last);

// Runs at most `max_iterations` double Newton iterations from `start` over every row of
// `data` (with its weights). `interrupt` is asked before every iteration.
DoubleStart binary_double_start(ChoiceLink link, const ChoiceData& data,
                                const std::vector<Real>& start, int max_iterations,
                                const InterruptCheck& interrupt);

// A point of the double iterations: the log-likelihood, gradient and Hessian (p x p, full).
struct DoublePoint {
    double llf = 0;
    std::vector<double> gradient, hessian;
    // Clears the sums for p parameters.
    void reset(std::size_t p);
    // Adds a row's score a and Hessian weight h (the row adds -h v v') with the row vector v:
    // the upper triangle only, until `complete`.
    void add_row(double a, double h, const double* v);
    // Mirrors the upper triangle; false when a sum is not finite.
    bool complete();
};

// Rows of the sample in double, one after another: row i's k values at
// rows[i * width], then zeros to the width (double_row_width(k)), the layout the sums read.
struct DoubleSample {
    std::vector<double> rows;
    std::size_t width = 0;
    std::vector<double> weight; // empty: every row once
    std::vector<unsigned char> one;
    std::size_t n = 0;
};

// The rows in double (start_double of each value).
DoubleSample double_sample(const BinaryRows& rows);

// Each row's log-likelihood term, score and Hessian weight at one point. Kept from one
// evaluation to the next, so that every evaluation writes over the same memory instead of
// taking fresh pages (on a long sample the system's zeroing of them costs as much as the sums).
struct DoubleRowTerms {
    std::vector<double> log_l, a, h;
};

// Adds the rows of `d` at b to a point's sums (reset before the first rows, completed after the
// last: over all the rows at once, or block after block, the same bits), the rows' terms formed
// in `terms` first. Without `derivatives` only the log-likelihood is summed.
void add_double_rows(ChoiceLink link, const DoubleSample& d, const std::vector<double>& b,
                     bool derivatives, DoublePoint& out, DoubleRowTerms& terms);

// Forms the log-likelihood at b (and, with `derivatives`, its gradient and Hessian) over every
// row; false when a term is not finite or b is outside the parameters' range.
using DoubleEvaluate =
    std::function<bool(const std::vector<double>& b, bool derivatives, DoublePoint& out)>;

// Runs at most `max_iterations` double Newton iterations from `start` on the log-likelihood
// `evaluate` forms, halving a step that does not raise it. `interrupt` is asked before every
// iteration.
DoubleStart double_newton_start(const DoubleEvaluate& evaluate, const std::vector<Real>& start,
                                int max_iterations, const InterruptCheck& interrupt);

// log F(s), its derivative and minus its second derivative, in double (log_f left 0 without
// `with_log`).
struct DoubleTerms {
    double log_f, score, weight;
};
DoubleTerms double_link_terms(ChoiceLink link, double s, bool with_log = true);

// The double nearest below in magnitude to `v` (its significand cut to double's), infinity
// beyond double's range, 0 below it: good enough for a start, and cheaper than a rounded
// conversion on every element of a long sample (inline: it is called on every one).
inline double start_double(Real v) {
    std::uint64_t words[2];
    std::memcpy(words, &v, sizeof words);
    const std::uint64_t low = words[0], high = words[1];
    const std::uint64_t sign = high >> 63;
    const int exponent = static_cast<int>((high >> 48) & 0x7fff);
    if (exponent == 0x7fff) return std::nan("");
    const int shifted = exponent - 16383 + 1023;
    double magnitude = 0;
    if (exponent == 0 || shifted < 1) {
        magnitude = 0; // below double's normal range (or binary128 zero and subnormals)
    } else if (shifted > 2046) {
        magnitude = HUGE_VAL;
    } else {
        const std::uint64_t fraction = ((high & 0xffffffffffffULL) << 4) | (low >> 60);
        const std::uint64_t bits = (std::uint64_t(shifted) << 52) | fraction;
        std::memcpy(&magnitude, &bits, sizeof magnitude);
    }
    return sign != 0 ? -magnitude : magnitude;
}

} // namespace tarvex
