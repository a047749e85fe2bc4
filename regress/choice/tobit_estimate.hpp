// TOBIT, the censored normal regression, by maximum likelihood: y* = x'b + e, e ~ N(0, sigma^2);
// y = L where y* <= L (censored from below), y = U where y* >= U (from above), else y = y*.
// The likelihood is maximised in Olsen's parameters g = b/sigma, t = 1/sigma, in which it is
// concave, by Newton's method with the exact Hessian, from least squares (a fit on an evenly
// spaced subsample first when the sample is long); b and sigma and their covariance follow by
// the delta method. The estimator also gives the likelihood-ratio test of the slopes against
// the model with the intercept alone, and the marginal effects on the observed mean E[y|x] at
// the means of the regressors, and fills the result that is stored. It writes nothing.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_fit.hpp"
#include "regress/choice/choice_result.hpp"
#include "regress/fit/model_result.hpp"

#include <vector>

namespace tarvex {

// The coefficients are b then sigma (bad_column k: sigma).
struct TobitEstimate : IndexEstimate {
    int n_below = 0, n_above = 0, n_between = 0;
    bool has_llf0 = false;        // the intercept-only model was fitted (with CONSTANT)
    ConstantsTest constants;      // against the intercept alone
    Real index_at_means = 0;      // xbar'b
    Real uncensored_at_means = 0; // P(L < y* < U) at the means
    Real expected_at_means = 0;   // E[y | xbar]
    MarginalEffects observed;     // dE[y|x]/dx_j = b_j P(L < y* < U), at the means
    // The result holds E[y|x] as fitted values, the generalised residuals, SIGMA as sigma
    // ($SIG2), the censoring FCAST applies (a CensoringPart), and as named statistics the
    // log-likelihood with the intercept alone and the likelihood-ratio test of the slopes ($CHI)
    // when the intercept-only model was fitted, then x'b, E[y|x] and the probability of an
    // uncensored observation at the means.
};

TobitEstimate estimate_tobit(const ChoiceData& data, const TobitCensoring& censoring,
                             const ChoiceControl& control);

// E[y | x'b = z] under the censoring, and P(L < y* < U).
Real tobit_expected(Real z, Real sigma, const TobitCensoring& c);
Real tobit_uncensored(Real z, Real sigma, const TobitCensoring& c);

} // namespace tarvex
