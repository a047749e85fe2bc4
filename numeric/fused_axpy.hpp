// y - c*x with a single rounding (to nearest, ties to even), the fused multiply-subtract, and the
// vector update y[i] <- y[i] - c*x[i] built on it. The product is formed exactly from the integer
// significands and subtracted before the one rounding, so the result is the correctly rounded
// value of the exact expression; that is never less accurate than a rounded product followed by
// a rounded subtraction, and about four times faster than those two soft-float calls. Also the
// chains of such updates (an index over columns, sums of products down the rows) and a chained
// sum, each the same bits as its loop of single steps.
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
// y[i] + c[0]*x[0][offset + i] + ... + c[k-1]*x[k-1][offset + i] into y[i] for i < n, taken in
// that order, each step a fused multiply-add: the same bits as fused_axpy(y, -c[j], x[j] +
// offset, n) for j = 0 .. k-1, with each row's running value kept between the columns.
void fused_multiply_add_rows(Real* y, const Real* c, const Real* const* x, std::size_t k,
                             std::size_t offset, std::size_t n);
// y[j] = fused_multiply_add_chain(y[j], a, x[j] + offset, n) for j < k: the same bits, up to
// four chains formed side by side.
void fused_multiply_add_chains(Real* y, const Real* a, const Real* const* x, std::size_t k,
                               std::size_t offset, std::size_t n);
// y + x[0] + ... + x[n-1] taken in that order, each step rounded once: the same bits as the loop
// y = fast_add(y, x[i]), with the running value kept taken apart between steps.
Real fast_add_chain(Real y, const Real* x, std::size_t n);
// y[j] = fast_add_chain(y[j], x[j] + offset, n) for j < k: the same bits, up to four sums formed
// side by side.
void fast_add_chains(Real* y, const Real* const* x, std::size_t k, std::size_t offset,
                     std::size_t n);

} // namespace tarvex
