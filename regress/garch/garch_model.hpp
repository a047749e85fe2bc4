// The volatility model that ARIMA estimates when NARCH is given: a mean equation
//   y_t = x_t'b + phi_1 y_{t-1} + ... + phi_r y_{t-r} + c + e_t
// whose errors have the conditional variance
//   h_t = omega + alpha_1 e_{t-1}**2 + ... + alpha_q e_{t-q}**2 + beta_1 h_{t-1} + ... + beta_p
//   h_{t-p}
// and follow, given the past, a normal or a Student t law scaled to variance h_t (nu > 2
// degrees of freedom). The parameter vector is, in this order: the regressors' coefficients b,
// the AR coefficients phi, the constant c (when estimated), omega, the alphas, the betas and
// nu (Student t only). The first r observations start the AR terms and have no error.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct GarchOrders {
    int regressors = 0;   // columns of X
    int ar = 0;           // r, the AR order of the mean equation
    bool constant = true; // c estimated
    int arch = 1;         // q
    int garch = 0;        // p
    bool student = false; // Student t errors (otherwise normal)

    int mean_count() const { return regressors + ar + (constant ? 1 : 0); }
    int omega_index() const { return mean_count(); }
    int alpha_index(int i) const { return mean_count() + 1 + i; } // i = 0 .. q-1
    int beta_index(int j) const { return mean_count() + 1 + arch + j; }
    int df_index() const { return mean_count() + 1 + arch + garch; }
    int parameter_count() const { return df_index() + (student ? 1 : 0); }
    // alpha_1 + ... + beta_p: below one for a finite unconditional variance.
    Real persistence(const std::vector<Real>& theta) const {
        Real s = 0;
        for (int i = 0; i < arch; ++i) s += theta[std::size_t(alpha_index(i))];
        for (int j = 0; j < garch; ++j) s += theta[std::size_t(beta_index(j))];
        return s;
    }
};

// The mean equation's rows: the dependent value and the mean_count() explanatory values of each
// observation after the first r (columns in parameter order).
struct GarchDesign {
    std::vector<Real> y;
    std::vector<std::vector<Real>> columns;
    int rows() const { return int(y.size()); }
};

// The design from the series and the regressors (each as long as y).
GarchDesign garch_design(const std::vector<Real>& y, const std::vector<std::vector<Real>>& x,
                         const GarchOrders& orders);

} // namespace tarvex
