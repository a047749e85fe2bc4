// y - c*x with a single rounding (to nearest, ties to even), the fused multiply-subtract, and the
// vector update y[i] <- y[i] - c*x[i] built on it. The product is formed exactly from the integer
// significands and subtracted before the one rounding, so the result is the correctly rounded
// value of the exact expression; that is never less accurate than a rounded product followed by
// a rounded subtraction, and about four times faster than those two soft-float calls.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>

namespace tarvex {

// The correctly rounded y - c*x, with IEEE results for zeros, infinities and NaNs.
Real fused_multiply_subtract(Real y, Real c, Real x);
// The correctly rounded y + c*x.
inline Real fused_multiply_add(Real y, Real c, Real x) {
    return fused_multiply_subtract(y, -c, x);
}
// y[i] = y[i] - c*x[i] for i < n, each rounded once.
void fused_axpy(Real* y, Real c, const Real* x, std::size_t n);
// y + a[0]*x[0] + ... + a[n-1]*x[n-1] taken in that order, each step a fused multiply-add: the
// same bits as the loop y = fused_multiply_add(y, a[i], x[i]), without a call for each step.
Real fused_multiply_add_chain(Real y, const Real* a, const Real* x, std::size_t n);

} // namespace tarvex
