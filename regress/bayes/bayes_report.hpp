// BAYES's report: the restrictions, the draws and the share accepted (the posterior
// probability that the restrictions hold), the shared coefficient table of the posterior means
// and standard deviations, and beside the least-squares estimates the numerical standard
// errors of the means.
#pragma once

#include "regress/bayes/bayes_options.hpp"
#include "regress/bayes/bayes_sampler.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct BayesReport {
    std::string dep_name;
    int n = 0;
    std::vector<std::string> restrictions; // as typed
    std::vector<Real> ls_coef, ls_se;      // unrestricted least squares
};

void report_bayes(Run& run, const BayesReport& head, const BayesOptions& o,
                  const BayesPosterior& post, const ModelResult& result);

} // namespace tarvex
