// The front end every estimation command shares: the check that no name option was typed without
// its value (the message names the option typed), the output names the estimators take, and the one
// way an estimation failure reaches the user.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "options/option_access.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <string_view>

namespace tarvex {

struct Run;

// The output options: PREDICT and RESID by observation, COEF, STDERR and TRATIO one element a
// coefficient, COVARIAN K by K, and TESTSTAT one row a named statistic (value, p-value and the
// two degrees of freedom). Blank when not given or not in the command's table.
struct OutputNames {
    std::string PREDICT, RESID, COEF, STDERR, TRATIO, COVARIAN, TESTSTAT;
};
OutputNames read_output_names(const OptionValues& options);

// Prepares the option set for `table` with the defaults estimators share: CONSTANT on, WIDE
// from SET WIDE, BEG and END from the current sample (each where the table has it). The
// returned setter gives a command's own defaults after these.
OptionDefaults set_estimator_defaults(Run& run, const OptionTable& table);

// Every name option of `table` typed "KEYWORD =" with no value: " ...ERROR..IN RIGHT HAND SIDE
// OF OPTION.." and that keyword, with `err`. False when one was.
bool check_name_options(Run& run, const OptionTable& table, int err);
// An option whose value is out of its range: the same message for `keyword`, with `err`.
// Always false, so that a check can return it.
bool bad_option_value(Run& run, std::string_view keyword, int err);

// Reports a failed estimation: no estimation stands afterwards, and the failure's line and
// number go through report_error.
void report_estimation_failure(Run& run, const EstimationFailure& failure);

} // namespace tarvex
