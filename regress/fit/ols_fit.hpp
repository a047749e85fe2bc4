// One regression as the estimator builds it and the report reads it: the terms of the equation,
// the observations used, the data matrix, and every estimate and statistic derived from them.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/ols_options.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// A right-hand-side term: a variable (possibly lagged), the intercept or the IMLS trend.
enum class TermKind { VARIABLE, INTERCEPT, TREND };

struct OlsTerm {
    TermKind kind = TermKind::VARIABLE;
    int ref = 0;            // plain variable reference (slot or column reference)
    int lag = 0;            // lag in observations
    int poly_order = 0;     // polynomial degree of a distributed-lag entry (0: none)
    int end_constraint = 0; // its end-point constraint code
    std::string name;       // 8 columns, as the report prints it
};

struct OlsFit {
    // The equation.
    std::string label; // "  OLS " or " IMLS "
    int dep_ref = 0;
    int dep_lag = 0;            // the dependent variable lagged (a lag reference)
    std::string dep_name;       // 8 columns
    std::vector<OlsTerm> terms; // K terms, the intercept last
    bool has_intercept = false;
    int lagged_dependent = -1;   // index of the dependent lagged once among the terms
    bool log_dependent = false;  // LOGLOG, LOGLIN or LOGINVER
    bool log_regressors = false; // LOGLOG or LINLOG
    int beg = 0, end = 0;        // estimation range
    int weight_ref = 0;          // WEIGHT variable (0 without weights)

    // The data actually used, one row per observation kept.
    int n = 0, k = 0;
    Real nobs = 0;        // observations the statistics count: N, or the sum of the
                          // replication counts with REPLICAT
    std::vector<int> obs; // observation numbers
    std::vector<Real> x;  // N x K, column after column, unweighted
    std::vector<Real> y;  // N, unweighted (after the functional form)
    std::vector<Real> w;  // N weights (empty without WEIGHT)
    // Rows read a block at a time (series bound to a file): obs, x, y, w, fitted and resid stay
    // empty, and what the report needs of them is carried here and in the sums of the estimate.
    bool rows_in_blocks = false;
    bool weighted = false;   // WEIGHT was in use (w may be empty when the rows are in blocks)
    Real weight_total = 0;   // the sum of the weights in use, added in order
    Real sum_log_root_w = 0; // sum of log(sqrt|w|)

    // Estimates.
    std::vector<Real> coef;          // K
    std::vector<Real> xtx_inv;       // K x K, row-major
    std::vector<Real> cov;           // K x K, row-major
    std::vector<Real> se, tstat;     // K
    std::vector<Real> fitted, resid; // N, unweighted
    std::vector<Real> hat;           // N hat-matrix diagonal (weighted rows)
    Real sse = 0, sst = 0, raw = 0, ymean = 0, ysd = 0;
    Real df = 0, sigma2 = 0, sigma = 1;
    std::vector<Real> xmean, xsd; // K
    Real llf_acc = 0;             // added to the log-likelihood; 99999/-9999999: unavailable
    int restrictions = 0;         // restrictions imposed
    std::vector<Real> recursive;  // N recursive residuals (RECURSIV; XMISS where none)
};

// Whether the fit's rows carry weights.
inline bool fit_weighted(const OlsFit& fit) {
    return !fit.w.empty() || fit.weighted;
}

} // namespace tarvex
