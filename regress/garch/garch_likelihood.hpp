// The log-likelihood of a GARCH model and its analytic gradient, in one pass over the rows.
// The variance recursion starts from the mean square of the residuals at the parameters,
//   h_0 = (1/T) sum e_t**2,
// which stands for every e_u**2 and h_u before the first row (u <= 0); its derivative with
// respect to the mean parameters enters the gradient. The sums of log h_t (and, for the t law,
// of log(1 + e_t**2/((nu-2) h_t))) are taken as the logarithm of running products, one logarithm
// per block of rows, which is what makes a pass cheap.
#pragma once

#include "numeric/real.hpp"
#include "regress/garch/garch_model.hpp"

#include <vector>

namespace tarvex {

struct GarchPass {
    bool ok = false;
    int failed_row = -1; // where the variance was not positive and finite
    Real llf = 0;
    Real h0 = 0;                // the presample variance
    std::vector<Real> gradient; // K (when asked)
    std::vector<Real> opg;      // K x K, sum of the rows' scores' outer products (when asked)
    std::vector<Real> resid, variance; // e_t and h_t of every row (when asked)
};

struct GarchPassNeeds {
    bool gradient = false, opg = false, series = false;
};

// False (and failed_row) when the parameters are outside the model: omega <= 0, a negative
// alpha or beta, nu <= 2, or a variance that is not positive and finite.
bool garch_pass(const GarchDesign& d, const GarchOrders& orders, const std::vector<Real>& theta,
                const GarchPassNeeds& needs, GarchPass& out);

// The digamma function psi(x) = d log Gamma(x) / dx for x > 0.
Real digamma(Real x);

} // namespace tarvex
