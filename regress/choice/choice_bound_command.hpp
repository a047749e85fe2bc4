// Binary PROBIT and LOGIT over series bound to a file on disk (READ ... / BIND), with whole data
// series of the work area beside them; and the messages of the data checks that the series in
// memory and the bound series share.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;
struct ChoiceOptions;

// Whether the statement lists a bound series.
bool choice_lists_bound_series(const Run& run);

// PROBIT or LOGIT (`command`) over the bound series: the statement's checks, the options that need
// every row at once refused, the checks of the data in one pass over the blocks, then the fit
// over blocks, its report and its result, as for the same series in memory.
void choice_over_bound_series(Run& run, int command, const ChoiceOptions& o);

// The data checks' errors: a regressor with one value `value` throughout; only one outcome of
// the dependent variable `name` (none with 1 when `no_ones`); a value other than 0 and 1.
void report_constant_regressor(Run& run, int command, const std::string& name, Real value);
void report_one_outcome(Run& run, int command, const std::string& name, bool no_ones);
void report_not_binary(Run& run, int command, const std::string& name, Real value,
                       long long observation);

} // namespace tarvex
