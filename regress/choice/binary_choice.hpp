// Binary PROBIT and LOGIT by maximum likelihood: P(y = 1 | x) = F(x'b), F the standard normal or
// the logistic distribution function, log L = sum log F(q_i x_i'b) with q_i = 2 y_i - 1. Newton's
// method with the exact Hessian -sum w_i x_i x_i' from a start at the intercept-only fit (on a
// long sample, the first iterations in double, or a fit on an evenly spaced subsample first). The
// estimator returns the estimates with their covariance, the likelihood-ratio test of the slopes,
// the pseudo R-squares, the prediction table, and the marginal effects with their delta-method
// standard errors, and fills the result that is stored. It writes nothing.
#pragma once

#include "regress/choice/choice_data.hpp"
#include "regress/choice/choice_fit.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/choice_result.hpp"
#include "regress/choice/separation.hpp"
#include "regress/fit/model_result.hpp"

#include <vector>

namespace tarvex {

struct BinaryEstimate : IndexEstimate {
    Separation separation; // SEPARATED
    int ones = 0;
    // Against the intercept alone (with CONSTANT), else every coefficient 0.
    ConstantsTest constants;
    Real r2_cox_snell = 0, r2_nagelkerke = 0;
    long long table[2][2] = {{0, 0}, {0, 0}}; // [actual][predicted], predicted 1 when p >= 1/2
    Real percent_correct = 0;
    MarginalEffects at_means, average;
    // The result holds the probabilities F(x'b) as fitted values, the generalised residuals
    // dlogL/d(x'b), and as named statistics the log-likelihood of the constants, the
    // likelihood-ratio test of the slopes ($CHI), the three pseudo R-squares (McFadden's in $R2)
    // and the percentage predicted right.
};

BinaryEstimate estimate_binary(ChoiceLink link, const ChoiceData& data,
                               const ChoiceControl& control);

} // namespace tarvex
