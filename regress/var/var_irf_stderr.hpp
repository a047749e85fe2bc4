// Asymptotic standard errors of a VAR's impulse responses by the delta method. The plain
// responses Phi_i depend on the lag coefficients alone: vec(Phi_i) has covariance G_i V G_i',
// G_i = sum over m < i of J (A')^(i-1-m) kron Phi_m (A the companion matrix, J its first K rows,
// V = kron((X'X)^-1 of the lag regressors, sigma) the lag coefficients' covariance). The
// orthogonalised responses Phi_i P (P the Cholesky factor of sigma) add the residual
// covariance's own uncertainty: C_i V C_i' + Cbar_i S Cbar_i' / T, with C_i = (P' kron I) G_i,
// Cbar_i = (I kron Phi_i) H, H the derivative of vec(P) by vech(sigma), and S = 2 D+ (sigma
// kron sigma) D+' the covariance of vech(sigma) (D+ the duplication matrix's pseudo-inverse).
#pragma once

#include "numeric/real.hpp"
#include "regress/var/var_dynamics.hpp"

#include <vector>

namespace tarvex {

struct VarResponseInputs {
    const LagMatrices* lags = nullptr; // A_1 .. A_p
    const std::vector<Real>* xtx_inv =
        nullptr; // m x m; its first K p rows and columns are the lags'
    int m = 0;
    const std::vector<Real>* sigma = nullptr;  // K x K, divided by T - m
    const std::vector<Real>* factor = nullptr; // lower Cholesky factor of sigma
    int k = 0, t = 0, horizon = 0;
};

// Standard errors of the responses 0..horizon, each K x K row-major like impulse_responses
// (row: the responding series, column: the shock); plain ones unless `orthogonal`.
std::vector<std::vector<Real>> impulse_response_stderr(const VarResponseInputs& in,
                                                       bool orthogonal);

} // namespace tarvex
