// The start of a long NLINEAR fit, found in double precision. The equation and its derivatives
// are evaluated in double (the derivative generator's double twin): Levenberg-Marquardt first on
// an evenly spaced subsample (a long sample) or on all the rows, then Newton's method on all the
// rows with the full Hessian of the sum of squares (J'J less the residuals times the function's
// second derivatives), until the step is at the level of double's rounding. The binary128
// iterations then start from that point with that Hessian (good to double's precision, which is
// all a step near the minimum needs of it) and their gradient J'r in binary128, and they decide
// the estimates: no estimate, statistic or stored value comes from the double values.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"
#include "regress/nonlin/equation_model.hpp"

#include <vector>

namespace tarvex {

// At most this many iterations in each double stage (a start that needs more is not found).
inline constexpr int NLS_DOUBLE_ITERATIONS = 100;

struct NlsDoubleStart {
    // False when the double iterations could not bring the fit near a minimum (an operation
    // without a double rule, a value beyond double's range, no fall along any step, a Hessian not
    // positive definite at the end, too many iterations): the caller goes on as if there had
    // been none.
    bool found = false;
    int subsample_n = 0, subsample_iterations = 0; // the first stage, on a subsample
    int iterations = 0;                            // over all the rows
    std::vector<Real> theta;                       // the last double iterate, exactly
    std::vector<Real> hessian;              // half the Hessian of the sum of squares there, K x K
    std::vector<std::vector<Real>> history; // the parameters after each iteration (all rows)
    std::vector<Real> history_sse;          // the sum of squares there, as double gave it
    // The sum of squares over all the rows at the start given, as double gave it: the fit from
    // the double start is kept only where it ends no higher.
    Real start_sse = 0;
};

// From `start`, on the observations of `model` (y at them); a sample of at least
// `subsample_from` rows is first fitted on about `subsample_rows` of them. `interrupt` is asked
// before every iteration.
NlsDoubleStart nls_double_start(const EquationModel& model, const std::vector<Real>& y,
                                const std::vector<Real>& start, int subsample_from,
                                int subsample_rows, const InterruptCheck& interrupt);

// Whether the double iterations may evaluate the rows a block at a time (the default) where the
// equation allows it; tests turn it off to compare with one row at a time.
void set_nls_double_blocks(bool allowed);

} // namespace tarvex
