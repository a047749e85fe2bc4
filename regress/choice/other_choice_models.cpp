// LOGIT of an outcome with more than two values and the ORDERED option: the estimation, its
// report, then the stored estimation with the result scalars and the output variables.
#include "regress/choice/other_choice_models.hpp"

#include "core/command_table.hpp"
#include "core/run.hpp"
#include "regress/choice/choice_store.hpp"
#include "regress/choice/multinomial_report.hpp"
#include "regress/choice/ordered_report.hpp"

namespace tarvex {

namespace {

ChoiceReportFlags report_flags(const ChoiceOptions& o) {
    ChoiceReportFlags f;
    f.PCOV = o.PCOV;
    f.PCOR = o.PCOR;
    f.WIDE = o.WIDE;
    f.PITER = o.PITER;
    return f;
}

ChoiceOutputs outputs(const ChoiceEquation& eq, const ChoiceOptions& o) {
    ChoiceOutputs out;
    out.command = choice_command_word(eq.command);
    out.dep_ref = eq.dep_ref;
    out.dep_lag = eq.dep_lag;
    out.beg = eq.beg;
    out.end = eq.end;
    out.PREDICT = o.PREDICT;
    out.INDEX = o.INDEX;
    out.COEF = o.COEF;
    out.STDERR = o.STDERR;
    out.TRATIO = o.TRATIO;
    out.COVARIAN = o.COVARIAN;
    return out;
}

} // namespace

void run_multinomial_logit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                           const ChoiceControl& control, const ChoiceOptions& o) {
    const MultinomialEstimate e = estimate_multinomial_logit(data, control);
    report_multinomial_logit(run, data, e, report_flags(o));
    record_multinomial_logit(run, data, e, outputs(eq, o));
}

void run_ordered_choice(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                        const ChoiceControl& control, const ChoiceOptions& o) {
    const OrderedLink link = eq.command == C_PROBIT ? OrderedLink::PROBIT : OrderedLink::LOGIT;
    const OrderedEstimate e = estimate_ordered_choice(data, link, control);
    report_ordered_choice(run, data, link, e, report_flags(o));
    record_ordered_choice(run, data, e, outputs(eq, o));
}

} // namespace tarvex
