// Storing the estimates of PROBIT, LOGIT and TOBIT.
#include "regress/choice/choice_store.hpp"

#include "core/command_table.hpp"
#include "core/run.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

const char* choice_command_word(int command) {
    return command == C_PROBIT ? "PROBIT" : command == C_LOGIT ? "LOGIT" : "TOBIT";
}

bool store_choice(Run& run, const ChoiceEquation& eq, const ChoiceStored& s,
                  const ChoiceOptions& o) {
    EstimationResults& e =
        new_estimation_record(run, s.command, eq.dep_ref, eq.dep_lag, eq.dep_name, eq.terms);
    for (std::size_t j = 0; j < s.parameters.size(); ++j)
        record_parameter(run, s.parameters[j], int(j), e);
    const int k = static_cast<int>(s.coef.size());
    e.mean_terms = static_cast<int>(eq.terms.size());
    e.coef = s.coef;
    e.cov = s.cov;
    e.stderrs = s.se;
    e.tratios = s.tstat;
    e.obs = eq.obs;
    e.predicted = s.predicted;
    e.residuals = s.residual;
    e.n = s.n;
    e.k = k;
    e.beg = eq.beg;
    e.end = eq.end;
    e.df = s.n - k;
    e.sigma = s.sigma;
    e.intercept = !eq.terms.empty() && eq.terms.back().kind == TermKind::INTERCEPT;
    e.asymptotic = true;
    if (s.command == std::string("TOBIT")) {
        auto censoring = std::make_shared<CensoringPart>();
        censoring->below = s.censored_below;
        censoring->above = s.censored_above;
        censoring->lower = s.lower;
        censoring->upper = s.upper;
        e.model = std::move(censoring);
    }

    ResultScalars& res = run.res;
    res[R_LLF] = s.llf;
    res[R_N] = s.n;
    res[R_K] = k;
    res[R_DF] = s.n - k;
    if (!store_by_observation(run, o.PREDICT, eq.end, eq.obs, s.predicted)) return false;
    if (!store_by_observation(run, o.RESID, eq.end, eq.obs, s.residual)) return false;
    return store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, s.coef, s.se,
                                     s.tstat, s.cov);
}

} // namespace tarvex
