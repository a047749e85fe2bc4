// The result the choice models (binary, TOBIT, multinomial and ordered) fill for the shared
// store: the coefficients with their covariance, standard errors, asymptotic z-ratios and
// p-values, N, K, the degrees of freedom and the log-likelihood with their result scalars
// ($LLF $N $K $DF), and the named statistics the reports print beside the coefficients.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

// A result of `n` observations whose K = coef.size() coefficients are asymptotically normal.
ModelResult choice_model_result(int n, const std::vector<Real>& coef, const std::vector<Real>& cov,
                                const std::vector<Real>& se, const std::vector<Real>& tstat,
                                Real llf);

// The likelihood-ratio test of `df` restrictions: a chi-square statistic, and $CHI.
void add_likelihood_ratio(ModelResult& result, const std::string& name, Real lr, int df,
                          Real pvalue);

// McFadden's pseudo R-square 1 - llf / llf0 as $R2.
void set_pseudo_r_square(ModelResult& result, Real r2);

// A number the report prints that has no law (a log-likelihood, a pseudo R-square ...).
void add_reported_number(ModelResult& result, const std::string& name, Real value);

// The result of a model of several outcomes (the multinomial logit, the ordered models): the
// estimates, the most probable outcome's value as the fitted value of each row, no residuals,
// `model` as the name FCAST gives when it refuses it; as named statistics the log-likelihood
// of the constants alone, the likelihood-ratio test ($CHI), McFadden's pseudo R-square ($R2)
// and the percentage of outcomes predicted right.
template <class Estimate>
void fill_category_result(Estimate& e, bool intercept, const std::string& model) {
    e.result = choice_model_result(e.n, e.coef, e.cov, e.se, e.tstat, e.llf);
    EstimationResults& r = e.result.record;
    for (const int c : e.predicted) r.predicted.push_back(e.values[std::size_t(c)]);
    r.intercept = intercept;
    r.not_forecast = model;
    add_reported_number(e.result, "LOG-LIKELIHOOD WITH " + e.constant_label, e.llf_constant);
    if (e.lr_df > 0)
        add_likelihood_ratio(e.result, "LIKELIHOOD RATIO TEST OF " + e.lr_label, e.lr, e.lr_df,
                             e.lr_pvalue);
    add_reported_number(e.result, "MCFADDEN PSEUDO R-SQUARE", e.pseudo_r2);
    add_reported_number(e.result, "PERCENT OF OUTCOMES CORRECTLY PREDICTED", e.percent_correct);
    set_pseudo_r_square(e.result, e.pseudo_r2);
}

} // namespace tarvex
