// Generalised maximum entropy estimation of the linear model y = X b + e. Each coefficient is
// the mean of its own support points z_k1..z_kM under probabilities p_k, each error the mean
// of the error support v_1..v_J under probabilities w_i; the estimates maximise the entropy
// -sum p log p - sum w log w subject to y_i = x_i' Z p + v' w_i. The problem is solved through
// its dual in the n Lagrange multipliers lambda:
//   p_km = exp(-z_km (X' lambda)_k) / Omega_k,   w_ij = exp(-v_j lambda_i) / Psi_i,
//   D(lambda) = y' lambda + sum_k log Omega_k + sum_i log Psi_i,
// smooth and strictly convex, minimised by Newton's method (its minimum is the maximal
// entropy). The Newton system H = X diag(var p_k) X' + diag(var w_i) is solved through the
// K x K matrix I + S^1/2 X' D^-1 X S^1/2, so a step costs n K**2. The estimator writes nothing.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct GmeData {
    std::vector<Real> y;              // n
    std::vector<std::vector<Real>> x; // K columns of n
    std::vector<Real> bsupport;       // K x M row-major: the support points of each coefficient
    int points = 0;                   // M
    std::vector<Real> esupport;       // J: the support points of every error
};

struct GmeControl {
    int max_iterations = 100;
    Real tolerance = 1e-28Q; // Newton decrement squared, relative to 1 + |D|
};

// NO_OPTIMUM: the iterations did not settle (the supports cannot reproduce y: the dual is
// unbounded below); SINGULAR: X'X is singular, so the covariance has no value.
enum class GmeEnd { CONVERGED, NO_OPTIMUM, SINGULAR };

struct GmeEstimate {
    GmeEnd end = GmeEnd::CONVERGED;
    int iterations = 0;
    std::vector<Real> beta;      // K
    std::vector<Real> p;         // K x M: the probabilities of the coefficient supports
    std::vector<Real> lambda;    // n: the multipliers
    std::vector<Real> errors;    // n: the estimated errors v' w_i
    std::vector<Real> fitted;    // n: x_i' b
    std::vector<Real> residuals; // n: y_i - x_i' b
    std::vector<Real> entropy_k; // K: each coefficient's normalised entropy, -sum p log p / log M
    Real entropy_beta = 0;       // the coefficients' normalised entropy (mean of entropy_k)
    Real entropy_errors = 0;     // the errors', -sum w log w / (n log J)
    Real entropy = 0;            // the maximal entropy, the dual's minimum
    Real sigma2_beta = 0;        // mean(lambda**2) / mean(1 / var w_i)**2
    std::vector<Real> cov;       // K x K: sigma2_beta (X'X)**-1
    Real sse = 0, sst = 0, r2 = 0;
};

GmeEstimate estimate_gme(const GmeData& data, const GmeControl& control);

} // namespace tarvex
