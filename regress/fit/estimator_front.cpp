// The options, checks and failure path shared by the estimation commands.
#include "regress/fit/estimator_front.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

OutputNames read_output_names(const OptionValues& options) {
    OutputNames out;
    out.PREDICT = options.name("PREDICT");
    out.RESID = options.name("RESID");
    out.COEF = options.name("COEF");
    out.STDERR = options.name("STDERR");
    out.TRATIO = options.name("TRATIO");
    out.COVARIAN = options.name("COVARIAN");
    out.TESTSTAT = options.name("TESTSTAT");
    return out;
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
