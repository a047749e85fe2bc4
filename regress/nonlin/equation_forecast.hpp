// Forecasts from a stored NLINEAR equation: the right side recompiled with the parameters bound
// to the coefficients and evaluated at each observation of a range, with the forecast standard
// error by the delta method, se_t^2 = sigma^2 + g_t' V g_t (g_t the gradient of the function
// with respect to the parameters at observation t, V the coefficient covariance).
#pragma once

#include "numeric/real.hpp"
#include "regress/nonlin/equation_model.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// Compiles `equation` (the right side) over parameters `names` with values `coef`. False after
// an error (reported).
bool compile_stored_equation(Run& run, const std::vector<std::string>& names,
                             const std::vector<Real>& coef, const std::string& equation,
                             EquationModel& model);

struct EquationPrediction {
    std::vector<Real> predicted, se; // by observation of the range
    std::vector<bool> defined;       // false where the function cannot be evaluated
};

// Evaluates the compiled equation at `obs` (its series bound). `cov` (K x K) may be empty: no
// standard errors then.
EquationPrediction predict_equation(const EquationModel& model, const std::vector<Real>& coef,
                                    const std::vector<Real>& cov, Real sigma,
                                    const std::vector<int>& obs);

} // namespace tarvex
