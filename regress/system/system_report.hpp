// The report of SYSTEM: the method, the declared variables, the instruments and identities,
// how the iteration ended (ITSUR), each equation's summary and coefficient table, and the
// cross-equation covariance and correlation matrices of the residuals; then the result scalars,
// the stored estimation (every coefficient named with its equation's number, so that TEST can
// restrict coefficients across equations) and the named output variables.
#pragma once

#include "regress/fit/ols_fit.hpp"
#include "regress/system/system_block.hpp"
#include "regress/system/system_estimate.hpp"
#include "regress/system/system_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The system as the command read it: the block, each equation's terms with the intercept, the
// instruments (3SLS) and the rows in use.
struct SystemModel {
    SystemBlock block;
    std::vector<std::vector<OlsTerm>> regressors; // by equation, the intercept last
    std::vector<OlsTerm> instruments;
    std::vector<int> obs;
    int beg = 0, end = 0;
};

// The name TEST knows coefficient `term` of equation `i` (0-based) by: the term's name cut to
// leave room for "_" and the equation's number ("P_1", "CONSTA_2").
std::string system_parameter_name(const std::string& term, int i);

void report_system(Run& run, const SystemModel& model, const SystemEstimate& e,
                   const SystemOptions& o);

} // namespace tarvex
