// Prices of European and American calls and puts on an asset paying a continuous dividend
// yield: the Black-Scholes-Merton closed form with its sensitivities, the Cox-Ross-Rubinstein
// binomial tree with early exercise, and the volatility a European price implies. Pure
// functions on binary128 values; the caller checks the arguments (see option_arguments_fault).
#pragma once

#include "numeric/real.hpp"

#include <optional>

namespace tarvex {

enum class OptionKind { CALL, PUT };

// One option: spot S, strike K, the continuously compounded rate r and dividend yield q (per
// year), the volatility sigma (per square root of a year) and the time to expiry T (years).
struct OptionTerms {
    OptionKind kind = OptionKind::CALL;
    Real spot = 0, strike = 0, rate = 0, yield = 0, vol = 0, time = 0;
};

// The value and its sensitivities, each per unit of its argument: delta dV/dS, gamma d2V/dS2,
// vega dV/dsigma, theta the change per year as expiry nears (-dV/dT), rho dV/dr, psi dV/dq.
// A sensitivity the method cannot give is absent.
struct OptionValue {
    Real value = 0;
    std::optional<Real> delta, gamma, vega, theta, rho, psi;
};

// The argument that makes `terms` unpriceable, or none: spot, strike, vol (unless
// `vol_unused`) and time must be positive and finite.
enum class OptionFault { NONE, SPOT, STRIKE, VOL, TIME };
OptionFault option_arguments_fault(const OptionTerms& terms, bool vol_unused);

// The closed form, every sensitivity present.
OptionValue european_option(const OptionTerms& terms);

// The tree of `steps` (1 or more) steps of length dt = T/steps: up u = exp(sigma sqrt(dt)),
// down d = 1/u, up probability p = (exp((r - q) dt) - d) / (u - d), one step discounted by
// exp(-r dt); at each node the larger of holding and exercising. Delta from the two nodes after
// one step; gamma and theta (from the middle node two steps on, over 2 dt) when steps >= 2;
// vega, rho and psi absent. None when p falls outside [0, 1] (the steps are too long for the
// rate and yield: more steps are needed).
std::optional<OptionValue> american_option(const OptionTerms& terms, int steps);

// The bounds a European price lies strictly between when no arbitrage is possible: for a call
// max(S e^-qT - K e^-rT, 0) and S e^-qT, for a put max(K e^-rT - S e^-qT, 0) and K e^-rT.
struct PriceBounds {
    Real lower = 0, upper = 0;
};
PriceBounds european_price_bounds(const OptionTerms& terms);

// The volatility at which the closed form equals `price` (strictly inside the bounds; terms.vol
// is not read): Newton steps on vega inside a bracket that every evaluation narrows, a halving
// of the bracket whenever a step would leave it or fails to shrink the error, until the step is
// below the binary128 resolution of the volatility. None when no volatility up to 1e6 reaches
// the price (a price that close to the upper bound).
std::optional<Real> implied_volatility(OptionTerms terms, Real price);

} // namespace tarvex
