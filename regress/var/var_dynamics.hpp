// What a fitted VAR says about the series' dynamics, from its lag coefficients and residual
// covariance: the moduli of the companion matrix's eigenvalues (stability), the impulse
// responses (plain, and orthogonalised by the Cholesky factor of the residual covariance in the
// listed order), the forecast-error variance decomposition, and the Wald tests of Granger
// causality (F) and of instantaneous causality (chi-square).
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// A_1 .. A_p, each k x k row-major: A_l[i * k + j] is the effect of series j lagged l on i.
using LagMatrices = std::vector<std::vector<Real>>;

// From VarFit's coefficients (m x k, lag blocks first).
LagMatrices var_lag_matrices(const std::vector<Real>& coef, int k, int lags);

// The eigenvalue moduli of the kp x kp companion matrix, largest first; empty when the
// iteration did not settle.
std::vector<Real> companion_moduli(const LagMatrices& a, int k);

// Responses 0..horizon, each k x k row-major (row: the responding series, column: the shock).
// `factor` (k x k lower, row-major) orthogonalises them; empty: the plain responses.
std::vector<std::vector<Real>> impulse_responses(const LagMatrices& a, int k, int horizon,
                                                 const std::vector<Real>& factor);

// Share of the forecast-error variance of series i at step h+1 due to shock j, from the
// orthogonalised responses: fevd[h][i * k + j].
std::vector<std::vector<Real>> variance_decomposition(const std::vector<std::vector<Real>>& orth,
                                                      int k);

struct WaldTest {
    Real statistic = 0; // F: Wald / df; chi-square: Wald
    int df1 = 0;
    Real df2 = 0;
    Real pvalue = 0;
    bool ok = false;
};

// H0: the lags of series `causing` do not enter the equations `caused`. Coefficient covariance
// kron((X'X)^-1, sigma); F with df2 = k (t - m).
WaldTest granger_test(const std::vector<Real>& coef, const std::vector<Real>& xtx_inv,
                      const std::vector<Real>& sigma, int k, int m, int lags, int t, int causing,
                      const std::vector<int>& caused);

// H0: the residual covariances of series `causing` with each of `caused` are zero; chi-square
// with one degree of freedom each, from the t-row covariance `sigma`.
WaldTest instantaneous_test(const std::vector<Real>& sigma, int k, int t, int causing,
                            const std::vector<int>& caused);

} // namespace tarvex
