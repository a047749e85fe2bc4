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
ModelResult choice_model_result(int n, std::vector<Real> coef, std::vector<Real> cov, Real llf);

// The test of a model against the model of its constants alone (the intercept alone, the cut
// points only, every coefficient zero ...): the log-likelihood there, the likelihood-ratio test
// of what the constants leave out, and McFadden's pseudo R-square 1 - llf / llf0.
struct ConstantsTest {
    std::string constants; // the model of the constants, as the reports name it
    std::string tested;    // what the likelihood-ratio test tests
    Real llf0 = 0, lr = 0, pvalue = 1, pseudo_r2 = 0;
    int df = 0; // 0: nothing to test
};

ConstantsTest constants_test(std::string constants, std::string tested, Real llf, Real llf0,
                             int df);

// The log-likelihood of the constants alone and the likelihood-ratio test ($CHI) as named
// statistics; with `pseudo_r2`, McFadden's R-square too ($R2).
void add_constants_test(ModelResult& result, const ConstantsTest& t, bool pseudo_r2);

// A number the report prints that has no law (a log-likelihood, a pseudo R-square ...).
void add_reported_number(ModelResult& result, const std::string& name, Real value);

} // namespace tarvex
