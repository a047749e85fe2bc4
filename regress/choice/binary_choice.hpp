// Binary PROBIT and LOGIT by maximum likelihood: P(y = 1 | x) = F(x'b), F the standard normal or
// the logistic distribution function, log L = sum log F(q_i x_i'b) with q_i = 2 y_i - 1. Newton's
// method with the exact Hessian -sum w_i x_i x_i' from a start at the intercept-only fit (a fit
// on an evenly spaced subsample first when the sample is long). The estimator returns the
// estimates with their covariance, the likelihood-ratio test of the slopes, the pseudo
// R-squares, the prediction table, and the marginal effects with their delta-method standard
// errors, and fills the result that is stored. It writes nothing.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_fit.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/separation.hpp"
#include "regress/fit/model_result.hpp"

#include <vector>

namespace tarvex {

struct BinaryEstimate {
    ChoiceEnd end = ChoiceEnd::CONVERGED;
    int iterations = 0;
    int bad_column = -1;                    // SINGULAR: the coefficient not identified
    int subsample_n = 0;                    // rows of the preliminary fit (0: none)
    std::vector<std::vector<Real>> history; // the coefficients after each iteration
    std::vector<Real> history_llf;
    Separation separation; // SEPARATED
    int n = 0, k = 0, ones = 0;
    std::vector<Real> coef, cov, se, tstat;
    Real llf = 0;
    Real llf0 = 0; // the intercept alone (with CONSTANT), else every coefficient 0
    Real lr = 0, lr_pvalue = 1;
    int lr_df = 0;
    Real r2_mcfadden = 0, r2_cox_snell = 0, r2_nagelkerke = 0;
    long long table[2][2] = {{0, 0}, {0, 0}}; // [actual][predicted], predicted 1 when p >= 1/2
    Real percent_correct = 0;
    std::vector<Real> xbar;
    MarginalEffects at_means, average;
    std::vector<Real> probability, residual; // F(x'b) and the generalised residual dlogL/d(x'b)
    // What is stored: the estimates, the probabilities as fitted values, the generalised
    // residuals, the log-likelihood with the intercept alone, the likelihood-ratio test of the
    // slopes ($CHI), the three pseudo R-squares (McFadden's in $R2) and the percentage predicted
    // right as named statistics.
    ModelResult result;
};

BinaryEstimate estimate_binary(ChoiceLink link, const ChoiceData& data,
                               const ChoiceControl& control);

} // namespace tarvex
