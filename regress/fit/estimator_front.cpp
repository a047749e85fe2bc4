// The options, checks and failure path shared by the estimation commands.
#include "regress/fit/estimator_front.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// $ERR of an output option naming an input: the command's number x 1000 + this.
constexpr int OUTPUT_IS_INPUT_SEQUENCE = 80;
// $ERR of a typed option value outside its range: the command's number x 1000 + this.
constexpr int OUT_OF_RANGE_SEQUENCE = 79;

// The options through which an estimator writes a variable, and those that name a variable it
// reads (the variable list aside).
constexpr std::string_view OUTPUT_NAME_OPTIONS[] = {
    "PREDICT",  "RESID",    "COEF",     "COEFFICE", "STDERR",  "TRATIO",  "COVARIAN",
    "TESTSTAT", "FORECAST", "FCSTERR",  "VARPRED",  "INDEX",   "EFFECTS", "HATDIAG",
    "FCSE",     "VARCOMP",  "RESCOV",   "RANKTEST", "MARGEFF", "MARGSE",  "PROBS",
    "LEVEL",    "SLOPE",    "SEASONAL", "TREND",    "CYCLE",   "HT"};
constexpr std::string_view INPUT_NAME_OPTIONS[] = {
    "WEIGHT",   "IDVAR",    "OMEGA",   "VARIANCE", "INCOEFFI", "INCOVARI", "COEFFICI", "CSFIX",
    "PCINFORM", "PCOMPONE", "TIMEVAR", "CLUSTER",  "BSUPPORT", "ESUPPORT", "FRONTIER"};

} // namespace

OutputNames read_output_names(const OptionValues& options) {
    return {options.name("PREDICT"), options.name("RESID"),  options.name("COEF"),
            options.name("STDERR"),  options.name("TRATIO"), options.name("COVARIAN"),
            options.name("TESTSTAT")};
}

OptionTable estimator_option_table(std::initializer_list<std::string_view> leading,
                                   std::initializer_list<std::string_view> trailing, int nswitch,
                                   int nint, int nreal) {
    OptionTable table;
    table.keywords.assign(leading);
    for (std::string_view k : {"PREDICT", "RESID", "COEF", "COVARIAN", "STDERR", "TRATIO"})
        table.keywords.push_back(k);
    table.keywords.insert(table.keywords.end(), trailing);
    table.nswitch = nswitch, table.nint = nint, table.nreal = nreal;
    table.nname = int(table.keywords.size()) - nswitch - nint - nreal;
    return table;
}

void read_estimator_options(const OptionValues& options, EstimatorOptions& o) {
    o.CONSTANT = options.on("CONSTANT");
    o.PCOV = options.on("PCOV");
    o.PCOR = options.on("PCOR");
    o.WIDE = options.on("WIDE");
    o.PITER = options.on("PITER");
    o.BEG = options.integer("BEG");
    o.END = options.integer("END");
    o.MAXIT = options.integer("MAXIT");
    o.CONVERGE = options.real("CONVERGE");
    o.METHOD = trim_trailing_blanks(options.name("METHOD"));
    o.out = read_output_names(options);
}

bool check_iteration_options(Run& run, const EstimatorOptions& o,
                             std::initializer_list<std::string_view> methods, int err) {
    if (o.MAXIT < 1) return bad_option_value(run, "MAXIT", err);
    if (!(o.CONVERGE > 0) || !(o.CONVERGE < 1)) return bad_option_value(run, "CONVERGE", err);
    if (methods.size() == 0) return true;
    for (std::string_view m : methods)
        if (o.METHOD == m) return true;
    return bad_option_value(run, "METHOD", err);
}

MaximizeMethod maximize_method(std::string_view word) {
    if (word == "BHHH") return MaximizeMethod::BHHH;
    if (word == "BFGS") return MaximizeMethod::BFGS;
    if (word == "DFP") return MaximizeMethod::DFP;
    if (word == "GRADX") return MaximizeMethod::GRADX;
    if (word == "GQOPT") return MaximizeMethod::GQOPT;
    if (word == "GQDFP") return MaximizeMethod::GQDFP;
    return MaximizeMethod::NEWTON;
}

OptionDefaults set_estimator_defaults(Run& run, const OptionTable& table) {
    OptionDefaults defaults(run.opt, table);
    defaults.on("CONSTANT");
    defaults.on("WIDE", run.sw[OWIDE]);
    defaults.integer("BEG", run.smpl.IBEG);
    defaults.integer("END", run.smpl.IEND);
    return defaults;
}

bool check_name_options(Run& run, const OptionTable& table, int err) {
    const std::string keyword = name_option_without_value(run.opt, table);
    if (!keyword.empty()) return bad_option_value(run, keyword, err);
    return check_range_options(run, table) && check_outputs_not_inputs(run, table);
}

bool option_out_of_range(Run& run, std::string_view keyword, long long value,
                         std::string_view rule) {
    report_error(run,
                 " ...ERROR.." + std::string(keyword) + "=" + std::to_string(value) +
                     " IS OUT OF RANGE: " + std::string(rule),
                 command_error_number(run, OUT_OF_RANGE_SEQUENCE));
    return false;
}

bool check_range_options(Run& run, const OptionTable& table) {
    const OptionValues options(run.opt, table);
    for (std::string_view keyword : {"BEG", "END"})
        if (options.given(keyword) && options.integer(keyword) < 1)
            return option_out_of_range(run, keyword, options.integer(keyword),
                                       "IT MUST BE AN OBSERVATION NUMBER, 1 OR MORE");
    return true;
}

int output_is_input_error(const Run& run) {
    return command_error_number(run, OUTPUT_IS_INPUT_SEQUENCE);
}

bool check_outputs_not_inputs(Run& run, const OptionTable& table, const std::vector<int>& more) {
    const OptionValues options(run.opt, table);
    std::vector<int> inputs(more);
    for (int k = 1; k <= run.scan.NF; ++k) inputs.push_back(plain_reference(run.scan.list[k]));
    for (std::string_view keyword : INPUT_NAME_OPTIONS) {
        const std::string name = trim_trailing_blanks(options.name(keyword));
        if (!name.empty()) inputs.push_back(VFIND(run, name));
    }
    std::vector<OutputName> outputs;
    for (std::string_view keyword : OUTPUT_NAME_OPTIONS)
        outputs.push_back({std::string(keyword), trim_trailing_blanks(options.name(keyword))});
    return check_output_names(run, outputs, inputs);
}

bool check_output_names(Run& run, const std::vector<OutputName>& outputs,
                        const std::vector<int>& inputs) {
    std::vector<int> slots;
    for (int ref : inputs) slots.push_back(reference_slot(run.ws, ref));
    for (const OutputName& out : outputs) {
        const std::string name = trim_trailing_blanks(out.name);
        if (name.empty() || name == NO_VALUE_NAME) continue;
        const int slot = reference_slot(run.ws, VFIND(run, name));
        if (slot <= 0 || std::find(slots.begin(), slots.end(), slot) == slots.end()) continue;
        report_error(run,
                     " ...ERROR..OUTPUT OPTION " + out.keyword + "=" + name +
                         " NAMES AN INPUT OF THIS COMMAND: " + name + " WOULD BE OVERWRITTEN",
                     output_is_input_error(run));
        return false;
    }
    return true;
}

bool bad_option_value(Run& run, std::string_view keyword, int err) {
    report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded(keyword), err);
    return false;
}

void report_estimation_failure(Run& run, const EstimationFailure& failure) {
    run.last_estimation = EstimationResults{};
    report_error(run, failure.line, failure.number);
}

} // namespace tarvex
