// Definite integrals of a function of one variable in binary128 by double-exponential
// (tanh-sinh) quadrature: the interval is mapped so that the integrand decays doubly
// exponentially at both ends, which copes with integrable singularities at the ends (sqrt(x),
// log(x), 1/sqrt(x) on [0, 1]) and with infinite ends. The step is halved until two successive
// estimates agree to the tolerance or the refinement limit is reached.
#pragma once

#include "numeric/real.hpp"

#include <functional>

namespace tarvex {

struct QuadratureResult {
    Real value = 0;
    Real error = 0;            // estimate of the absolute error of `value`
    Real l1 = 0;               // estimate of the integral of |f| (the scale of the tolerance)
    long long evaluations = 0; // calls of the integrand
    int levels = 0;            // step halvings used
    bool converged = false;    // error <= relative_tolerance * l1
};

// The relative tolerance (to the integral of |f|) at which an integral counts as accurate:
// about 30 significant digits; the refinement itself runs on to the last bits.
inline const Real QUADRATURE_TOLERANCE = 1e-30Q;

// The integral of f over [a, b]; an end may be infinite. a > b gives minus the integral over
// [b, a], and a = b gives 0. The integrand is never called at a finite end. An exception that f
// throws (an undefined value) passes to the caller.
QuadratureResult integrate_double_exponential(const std::function<Real(Real)>& f, Real a, Real b);

} // namespace tarvex
