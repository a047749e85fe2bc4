// The last stage of a quantile regression and its proof of optimality, in binary128.
//
// The regression's linear program has a dual: maximise y'a subject to X'a = (1 - tau) X'1 and
// 0 <= a <= 1. A basis of K observations fixes both sides at once: the coefficients b solve
// X_h b = y_h, every other observation's a_i sits at a bound (1 above the fit, 0 below; either
// for one the fit passes through), and the basic a_h solve X_h'a_h = (1 - tau) X'1 - X_N'a_N.
// The basis is optimal when the a_h lie within [0, 1] and every a_i agrees with the sign of its
// residual. The finishing stage is a bounded-variable simplex on that dual, which is sure to end
// at an optimum even where ties in y or repeated rows leave residuals at zero off the basis (a
// degenerate vertex, where the primal steps can stall): it first moves the a_h into [0, 1]
// (minimising their distance outside), then raises y'a, and after a run of steps that do not
// raise it, chooses entering and leaving observations by the lowest index, which cannot cycle.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// The design row-major (n rows of k), the response and the quantile.
struct QuantileProblem {
    const Real* x = nullptr;
    const Real* y = nullptr;
    std::size_t n = 0;
    int k = 0;
    Real tau = 0.5Q;
    const Real* row(std::size_t i) const { return x + i * std::size_t(k); }
};

// A vertex with its dual: `basis` K observations (in the order of the basis, not sorted),
// `coef` K, `resid` n (zero on the basis), `a` n (the dual values, within [0, 1]).
struct QuantileVertex {
    std::vector<std::size_t> basis;
    std::vector<Real> coef, resid, a;
};

enum class DualEnd { OPTIMAL, SINGULAR, LIMIT };

// The bounded dual simplex from `v.basis` (K distinct observations); fills v on OPTIMAL.
DualEnd finish_quantile_dual(const QuantileProblem& p, QuantileVertex& v, int& pivots,
                             int max_pivots);

// True when (v.coef, v.a) prove each other optimal: the fit passes through the basis, every
// a_i lies within [0, 1], X'a = (1 - tau) X'1, a_i = 1 where the residual is positive and 0
// where it is negative - each to within binary128's rounding of the data.
bool quantile_vertex_is_optimal(const QuantileProblem& p, const QuantileVertex& v);

} // namespace tarvex
