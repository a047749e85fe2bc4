// The options, checks and failure path shared by the estimation commands.
#include "regress/fit/estimator_front.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

const std::string BLANK_OPTION_NAME;

// The slot of `keyword` in group `group` of the table, or -1.
int slot_in(const OptionTable& table, std::string_view keyword, int group) {
    const OptionSlot slot = find_option(table, keyword);
    return slot.group == group ? slot.index : -1;
}

} // namespace

bool OptionValues::on(std::string_view keyword) const {
    const int j = slot_in(table_, keyword, 1);
    return j >= 0 && std::size_t(j) < set_.sw.size() && set_.sw[std::size_t(j)];
}

int OptionValues::integer(std::string_view keyword) const {
    const int j = slot_in(table_, keyword, 2);
    return j >= 0 && std::size_t(j) < set_.iv.size() ? set_.iv[std::size_t(j)] : 0;
}

bool OptionValues::given(std::string_view keyword) const {
    const int j = slot_in(table_, keyword, 2);
    return j >= 0 && std::size_t(j) < set_.igiven.size() && set_.igiven[std::size_t(j)];
}

Real OptionValues::real(std::string_view keyword) const {
    const int j = slot_in(table_, keyword, 3);
    return j >= 0 && std::size_t(j) < set_.rv.size() ? set_.rv[std::size_t(j)] : Real(0);
}

const std::string& OptionValues::name(std::string_view keyword) const {
    const int j = slot_in(table_, keyword, 4);
    return j >= 0 && std::size_t(j) < set_.name.size() ? set_.name[std::size_t(j)]
                                                       : BLANK_OPTION_NAME;
}

const std::string& OptionValues::full_name(std::string_view keyword) const {
    const int j = slot_in(table_, keyword, 4);
    return j >= 0 && std::size_t(j) < set_.name_full.size() ? set_.name_full[std::size_t(j)]
                                                            : BLANK_OPTION_NAME;
}

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

void set_estimator_defaults(Run& run, const OptionTable& table) {
    OptionSet& opt = run.opt;
    opt.prepare(table);
    const auto set_switch = [&](std::string_view keyword, bool value) {
        const int j = slot_in(table, keyword, 1);
        if (j >= 0) opt.sw[std::size_t(j)] = value;
    };
    const auto set_integer = [&](std::string_view keyword, int value) {
        const int j = slot_in(table, keyword, 2);
        if (j >= 0) opt.iv[std::size_t(j)] = value;
    };
    set_switch("CONSTANT", true);
    set_switch("WIDE", run.sw[OWIDE]);
    set_integer("BEG", run.smpl.IBEG);
    set_integer("END", run.smpl.IEND);
}

bool check_name_options(Run& run, const OptionTable& table, int err) {
    const int first = table.nswitch + table.nint + table.nreal;
    for (int j = 0; j < table.nname && std::size_t(j) < run.opt.name.size(); ++j) {
        if (!given_without_value(run.opt.name[std::size_t(j)])) continue;
        const std::string keyword(table.keywords[std::size_t(first + j)]);
        report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded(keyword),
                     err);
        return false;
    }
    return true;
}

void report_estimation_failure(Run& run, const EstimationFailure& failure) {
    run.last_estimation = EstimationResults{};
    report_error(run, failure.line, failure.number);
}

} // namespace tarvex
