// The front end every estimation command shares: its options read by keyword from the
// command's own table, the check that no name option was typed without its value (the message
// names the option typed), the output names the estimators take, and the one way an
// estimation failure reaches the user.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"

#include <string>
#include <string_view>

namespace tarvex {

struct Run;

// The options of the command being run, read by keyword (a keyword the table lacks reads as
// off, 0 or blank).
class OptionValues {
  public:
    OptionValues(const OptionSet& set, const OptionTable& table) : set_(set), table_(table) {}
    bool on(std::string_view keyword) const;
    int integer(std::string_view keyword) const;
    bool given(std::string_view keyword) const; // an integer option typed on the statement
    Real real(std::string_view keyword) const;
    const std::string& name(std::string_view keyword) const;      // 8 columns, blank-padded
    const std::string& full_name(std::string_view keyword) const; // as typed (a file name)

  private:
    const OptionSet& set_;
    const OptionTable& table_;
};

// The output options: PREDICT and RESID by observation, COEF, STDERR and TRATIO one element a
// coefficient, COVARIAN K by K, and TESTSTAT one row a named statistic (value, p-value and the
// two degrees of freedom). Blank when not given or not in the command's table.
struct OutputNames {
    std::string PREDICT, RESID, COEF, STDERR, TRATIO, COVARIAN, TESTSTAT;
};
OutputNames read_output_names(const OptionValues& options);

// Prepares the option set for `table` with the defaults estimators share: CONSTANT on, WIDE
// from SET WIDE, BEG and END from the current sample (each where the table has it).
void set_estimator_defaults(Run& run, const OptionTable& table);

// Every name option of `table` typed "KEYWORD =" with no value: " ...ERROR..IN RIGHT HAND SIDE
// OF OPTION.." and that keyword, with `err`. False when one was.
bool check_name_options(Run& run, const OptionTable& table, int err);

// Reports a failed estimation: no estimation stands afterwards, and the failure's line and
// number go through report_error.
void report_estimation_failure(Run& run, const EstimationFailure& failure);

} // namespace tarvex
