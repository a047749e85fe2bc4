// GENRDF, the derivative generator: evaluates a compiled statement together with its exact
// gradient with respect to a set of parameters (the coefficients of an estimated equation),
// carrying value and gradient through every instruction (forward-mode differentiation in
// binary128). A linear statement gives its exact coefficient row; a non-linear one the exact
// derivative at the given parameter values.
#pragma once

#include "expr/program.hpp"
#include "numeric/real.hpp"

#include <functional>
#include <string>
#include <vector>

namespace tarvex::expr {

// How the variable cells of a program stand for parameters: `parameter(ref, lag)` gives the
// index (0-based) of the parameter that the variable `ref` lagged `lag` observations stands
// for, or -1 when there is none. `values` holds the parameter values.
struct ParameterBinding {
    std::function<int(int ref, int lag)> parameter;
    std::vector<Real> values;
};

enum class DerivativeStatus {
    OK,
    UNBOUND,     // a variable (or one of its lags) stands for no parameter: `unbound_ref`
    UNSUPPORTED, // an operation without a derivative here (random numbers, running sums, ...)
    UNDEFINED,   // the value or derivative does not exist at the point (log of 0, 0/0, ...)
};

struct DerivativeResult {
    DerivativeStatus status = DerivativeStatus::OK;
    Real value = 0;             // f at the parameter values
    std::vector<Real> gradient; // df/dp, one per parameter
    int unbound_ref = 0;        // for UNBOUND: the variable reference
    int unbound_lag = 0;
};

// Evaluates the program's final value and its gradient.
DerivativeResult GENRDF(const Program& program, const ParameterBinding& binding);

// The derivative of ln gamma (the digamma function), for x > 0.
Real digamma(Real x);

} // namespace tarvex::expr
