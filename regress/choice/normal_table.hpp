// The upper tail Q(x) = 1 - Phi(x) of the standard normal for 0 <= x <= 40 from a table of
// Taylor expansions: at nodes x0 = j/64 the table holds Q(x0) and the coefficients of
//   Q(x0 + h) = Q(x0) - phi(x0) sum_{k>=1} (-1)^(k-1) He_{k-1}(x0) h^k / k!
// (He the Hermite polynomials: the k-th derivative of Q is -phi times (-1)^(k-1) He_{k-1}), as
// many terms per node as keep the sum's truncation below 1e-36 of Q over the node's interval.
// Q comes out within 1e-30 relative (erfc's own error, in the values at the nodes, is most of
// it), many times faster than erfc: up to x = 8, where nearly every index of a probit falls, the
// sum is taken in 128-bit fixed point. The table (about two megabytes) is built on first use,
// from erfc and exp.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

// The largest x the table serves; beyond it Mills' continued fraction takes over.
inline constexpr int NORMAL_TABLE_END = 40;

// Q(x) = 1 - Phi(x) for 0 <= x <= NORMAL_TABLE_END.
Real normal_upper_tail(Real x);

} // namespace tarvex
