// The report of VAR: the heading, each equation's coefficient table, the residual covariance,
// the log-likelihood and criteria, the stability moduli, and on request the order selection,
// causality tests, impulse responses and variance decomposition. It writes the estimate and
// changes nothing.
#pragma once

#include "regress/var/var_dynamics.hpp"
#include "regress/var/var_estimate.hpp"
#include "regress/var/var_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// What the command computed, for the report and the stored result.
struct VarAnalysis {
    std::vector<std::string> series;       // 8 columns each
    std::vector<std::string> regressors;   // m names, 8 columns each
    std::vector<std::string> stored_names; // k m names: each equation's regressors with "_e"
    int lags = 1, beg = 0, end = 0;
    VarFit fit;
    std::vector<Real> se, tstat, pvalue, partial; // m x k like fit.coef
    Real aic = 0, bic = 0, hq = 0, fpe = 0;
    std::vector<Real> moduli;
    bool stable = true;
    std::vector<VarCriteria> criteria;
    std::vector<WaldTest> granger, instantaneous; // one per series
    std::vector<std::vector<Real>> responses, decomposition;
    std::vector<std::vector<Real>> response_se; // delta-method standard errors of `responses`
};

void report_var(Run& run, const VarAnalysis& v, const VarOptions& o);

} // namespace tarvex
