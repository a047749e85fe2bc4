// The front end every estimation command shares: the check that no name option was typed without
// its value (the message names the option typed), the output names the estimators take, and the one
// way an estimation failure reaches the user.
#pragma once

#include "core/option_set.hpp"
#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "options/option_access.hpp"
#include "regress/fit/model_result.hpp"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// The output options: PREDICT and RESID by observation, COEF, STDERR and TRATIO one element a
// coefficient, COVARIAN K by K, and TESTSTAT one row a named statistic (value, p-value and the
// two degrees of freedom). Blank when not given or not in the command's table.
struct OutputNames {
    std::string PREDICT, RESID, COEF, STDERR, TRATIO, COVARIAN, TESTSTAT;
};
OutputNames read_output_names(const OptionValues& options);

// An estimator's option table: `leading` (its switches, integers, reals and the name options it
// lists first), then the output names PREDICT RESID COEF COVARIAN STDERR TRATIO in that order,
// then `trailing` (its other name options). The name group is what follows the switches,
// integers and reals.
OptionTable estimator_option_table(std::initializer_list<std::string_view> leading,
                                   std::initializer_list<std::string_view> trailing, int nswitch,
                                   int nint, int nreal);

// The settings the estimators' tables share, each read where the table has it (a keyword the
// table lacks reads off, 0 or blank): the intercept, the printing switches, the range, the
// iteration controls and the output names.
struct EstimatorOptions {
    bool CONSTANT = true;
    bool PCOV = false, PCOR = false, WIDE = false, PITER = false;
    int BEG = 0, END = 0, MAXIT = 0;
    Real CONVERGE = 0;  // the change that ends the iterations
    std::string METHOD; // the method's word, trailing blanks trimmed
    OutputNames out;
};
void read_estimator_options(const OptionValues& options, EstimatorOptions& o);

// The maximiser METHOD names: NEWTON, BHHH, BFGS or DFP (checked before).
MaximizeMethod maximize_method(std::string_view word);

// MAXIT at least 1, CONVERGE strictly between 0 and 1 and, when `methods` is not empty, METHOD
// one of them; the first that is not is bad_option_value with `err`.
bool check_iteration_options(Run& run, const EstimatorOptions& o,
                             std::initializer_list<std::string_view> methods, int err);

// Prepares the option set for `table` with the defaults estimators share: CONSTANT on, WIDE
// from SET WIDE, BEG and END from the current sample (each where the table has it). The
// returned setter gives a command's own defaults after these.
OptionDefaults set_estimator_defaults(Run& run, const OptionTable& table);

// Every name option of `table` typed "KEYWORD =" with no value: " ...ERROR..IN RIGHT HAND SIDE
// OF OPTION.." and that keyword, with `err`. False when one was. Then check_range_options and
// check_outputs_not_inputs over the scanned list.
bool check_name_options(Run& run, const OptionTable& table, int err);
// An output option of `table` (PREDICT, RESID, COEF, FORECAST ... every option a command writes
// a variable through) that names a variable the same command reads: a variable of the scanned
// list, a variable an input option names (WEIGHT, IDVAR, OMEGA ...) or one of `more` (the
// variables a command reads from lines of its own). The command would overwrite its own data, so
// it is refused: " ...ERROR..OUTPUT OPTION KEY=name NAMES AN INPUT OF THIS COMMAND", with $ERR the
// command's number x 1000 + 80. False when one does.
bool check_outputs_not_inputs(Run& run, const OptionTable& table,
                              const std::vector<int>& more = {});
// The same check for outputs a command names itself (an option's value made into several
// names, one per equation): each output is its option's keyword and the variable's name, each
// input a variable reference.
struct OutputName {
    std::string keyword, name;
};
bool check_output_names(Run& run, const std::vector<OutputName>& outputs,
                        const std::vector<int>& inputs);
// $ERR of that refusal for the command being run.
int output_is_input_error(const Run& run);

// An option whose value is out of its range: the same message for `keyword`, with `err`.
// Always false, so that a check can return it.
bool bad_option_value(Run& run, std::string_view keyword, int err);

// A typed option value outside its range: " ...ERROR..KEY=value IS OUT OF RANGE: " and `rule`
// (what the value must be), with $ERR the command's number x 1000 + 81. Always false.
bool option_out_of_range(Run& run, std::string_view keyword, long long value,
                         std::string_view rule);
// BEG= and END= as typed: an observation number, 1 or more (END past the data is refused when
// the data are checked). False (reported) otherwise.
bool check_range_options(Run& run, const OptionTable& table);

// Reports a failed estimation: no estimation stands afterwards, and the failure's line and
// number go through report_error.
void report_estimation_failure(Run& run, const EstimationFailure& failure);

} // namespace tarvex
