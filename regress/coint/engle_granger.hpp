// Engle and Granger's two steps: the cointegrating regression of the first variable on the
// others (with a constant, or a constant and a trend), estimated by least squares, whose
// residuals then take the augmented Dickey-Fuller test without deterministic terms, judged
// against MacKinnon's surfaces for the number of variables.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/estimation_equation.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct CointOptions;

// The cointegrating regression. Terms: the other variables, the trend, the constant.
struct CointRegression {
    bool ok = true;
    int failed_column = -1; // the dependent regressor when not ok
    // The regression's record (coefficients, covariance, (X'X)**-1, fitted values, residuals,
    // N, K, SSE, R-square, sigma) with $SSE $SIG2 $R2, named and stored by the command; the
    // test of its residuals adds its statistic and scalars.
    ModelResult result;
};

// `x` holds one column per term; an empty column is the constant.
CointRegression cointegrating_regression(const std::vector<Real>& y,
                                         const std::vector<std::vector<Real>>& x);

// The heading, the fit and the coefficient table of the cointegrating regression.
void report_cointegrating_regression(Run& run, const EstimationEquation& eq,
                                     const CointRegression& r, const CointOptions& o);

} // namespace tarvex
