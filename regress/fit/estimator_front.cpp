// The options, checks and failure path shared by the estimation commands.
#include "regress/fit/estimator_front.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

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
    return keyword.empty() || bad_option_value(run, keyword, err);
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
