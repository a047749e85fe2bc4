// Generalised least squares with a given error covariance: y = Xb + e, Var(e) = s2 Omega with
// Omega known (a full N x N matrix, or its diagonal of variances). With Omega = L L' (Cholesky)
// the rows are whitened, y* = L^-1 y and X* = L^-1 X (for a diagonal, divided by the standard
// deviations), and least squares on them gives b = (X'Omega^-1 X)^-1 X'Omega^-1 y with the
// exact cross-product solver; s2 = e*'e* / (N - K), covariance s2 (X'Omega^-1 X)^-1. R-square is
// Buse's, 1 - e*'e* over the same sum of the fit on the intercept alone (the raw form without
// an intercept); the log-likelihood that of normal errors with covariance s2 Omega at the
// maximum in s2: -N/2 (1 + log 2pi + log(e*'e*/N)) - 1/2 log det Omega. Nothing is written here.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <vector>

namespace tarvex {

struct GlsData {
    std::vector<Real> y;              // N
    std::vector<std::vector<Real>> x; // K columns of N values
    int intercept = -1;               // the column of ones, -1 when none
    std::vector<Real> omega;          // N x N row-major, symmetric; empty with `variances`
    std::vector<Real> variances;      // N, every one positive; empty with `omega`
};

enum class GlsEnd {
    OK,
    NOT_DEFINITE, // Omega is not positive definite (bad_row: the pivot that failed)
    DEPENDENT,    // a regressor is a combination of the others (bad_column)
    EXACT_FIT,    // the regressors fit y exactly: no error variance to estimate
    OUT_OF_RANGE, // the squares of a transformed column (bad_column; K: y) overflow or underflow
};

struct GlsEstimate {
    GlsEnd end = GlsEnd::OK;
    int bad_row = -1, bad_column = -1;
    bool too_large = false; // OUT_OF_RANGE: the squares overflow (else they underflow)
    // The estimates: coefficients, covariance, (X'Omega^-1 X)^-1 as xtx_inv, ratios and
    // p-values, fitted values Xb and residuals y - Xb (untransformed), N, K, df, SSE = e*'e*,
    // Buse's R-square, sigma and the log-likelihood, with the result scalars.
    ModelResult result;
    Real sse_plain = 0; // e'e
    Real sigma2 = 0, adjusted_r2 = 0, ymean = 0, log_det = 0;
};

GlsEstimate estimate_gls(const GlsData& data);

} // namespace tarvex
