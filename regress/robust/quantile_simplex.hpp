// The linear program of a quantile regression: the coefficients b that minimise the sum of
// check losses rho_tau(y_i - x_i'b), rho_tau(u) = u (tau - [u < 0]). An optimum lies at a vertex,
// where the fit passes exactly through K observations (the basis). A simplex that moves from
// vertex to vertex finds the basis, each step releasing the basic observation whose dual value
// leaves [tau - 1, tau] and taking in the observation where the objective stops falling along
// the new edge (several vertices at once, by a weighted search over the kinks). The steps are
// taken in double for speed and then in binary128 from the basis found: the binary128 stage
// solves X_h b = y_h on the basis and checks the optimality condition (every dual value within
// [tau - 1, tau]), pivoting on when the check fails. The coefficients are then those of the
// exact vertex to binary128's precision.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

enum class QuantileEnd { OPTIMAL, DEGENERATE, ITERATION_LIMIT };

struct QuantileFit {
    QuantileEnd end = QuantileEnd::OPTIMAL;
    std::vector<Real> coef;         // K
    std::vector<Real> residuals;    // n, zero at the basic observations
    std::vector<std::size_t> basis; // the K observations the fit interpolates (ascending)
    std::vector<Real> duals;        // their dual values, each within [tau - 1, tau]
    Real objective = 0;             // the sum of check losses
    int pivots = 0;                 // simplex steps taken in all
};

// `x` holds k columns of n rows (a null column: the intercept, all ones). `tau` in (0, 1).
// DEGENERATE: no K observations make a nonsingular system (the design has rank below K).
QuantileFit fit_quantile(const std::vector<const Real*>& x, const Real* y, std::size_t n, Real tau,
                         int max_pivots = 100000);

// The check loss of one residual.
inline Real check_loss(Real u, Real tau) {
    return u < 0 ? u * (tau - 1) : u * tau;
}

} // namespace tarvex
