// A system of M linear equations y_i = X_i b_i + u_i over the same T observations, estimated
// jointly by generalised least squares with the cross-equation covariance Sigma of the
// residuals (Sigma = E'E/T, no degrees-of-freedom correction):
//   SUR    b = (X'(Sigma**-1 x I)X)**-1 X'(Sigma**-1 x I)y, Sigma from the OLS residuals;
//   ITSUR  the same, Sigma renewed from the last residuals until the coefficients settle;
//   3SLS   the same with X^ = Z(Z'Z)**-1Z'X in place of X, Sigma from the structural residuals
//          of two-stage least squares on the instruments Z.
// The covariance of b is the inverse of the matrix of the last step. One pass over the data
// forms the exact cross products of every column the system uses; every fit is solved from
// them; a last pass forms each equation's residuals. The estimator writes nothing.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct SystemEquationColumns {
    int y = 0;                   // column of the dependent variable
    std::vector<int> regressors; // columns of the regressors
};

struct SystemData {
    std::size_t n = 0;
    std::vector<const Real*> columns; // the distinct columns (null: the constant)
    std::vector<SystemEquationColumns> equations;
    std::vector<int> instruments; // 3SLS
    // Optional positions of the n rows in the columns (rows[i] for the i-th row; null: i), and
    // the columns' length then (the largest position + 1).
    const std::size_t* rows = nullptr;
    std::size_t span = 0;
    std::size_t at(std::size_t i) const { return rows != nullptr ? rows[i] : i; }
};

enum class SystemMethod { SUR, ITSUR, THREE_SLS };

struct SystemControl {
    SystemMethod method = SystemMethod::SUR;
    int max_iterations = 100;
    Real tolerance = 1e-20Q;  // ITSUR: |b - b_old| / |b_old| (Euclidean norms)
    InterruptCheck interrupt; // asked between the GLS steps; throws to stop the estimation
};

enum class SystemEnd {
    OK,
    ITERATION_LIMIT,       // ITSUR stopped at its limit: the last estimate is returned
    UNDERIDENTIFIED,       // bad_equation has more regressors outside Z than instruments outside it
    INSTRUMENTS_COLLINEAR, // bad_column: the instrument
    REGRESSORS_COLLINEAR,  // bad_equation, bad_column: the regressor
    SINGULAR_COVARIANCE,   // Sigma is not positive definite
    TOO_FEW,               // T not above an equation's coefficients, or below the instruments
    NON_FINITE,
};

struct SystemEstimate {
    SystemEnd end = SystemEnd::OK;
    int bad_equation = -1, bad_column = -1;
    int n = 0, m = 0, p = 0;   // observations, equations, coefficients
    std::vector<int> k, first; // each equation's coefficients and the first one's position
    int iterations = 0;        // GLS steps taken
    // The stacked estimates, equation after equation: coefficients, covariance (P x P),
    // standard errors, t-ratios with their p-values and partial correlations (each on its own
    // equation's N - K_i degrees of freedom), N, K = P, df = MN - P, the summed SSE, and the
    // result scalars $N $K $DF $SSE.
    ModelResult result;
    std::vector<Real> sigma, correlation;         // M x M, of the final residuals
    std::vector<Real> sse, r2, ymean;             // by equation
    std::vector<bool> centred;                    // an intercept in the equation
    std::vector<std::vector<Real>> fitted, resid; // by equation, T each
    int underidentified_endogenous = 0, underidentified_excluded = 0;
};

SystemEstimate estimate_system(const SystemData& data, const SystemControl& control);

} // namespace tarvex
