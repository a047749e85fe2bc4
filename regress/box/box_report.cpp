// Writing and storing the estimates of BOX.
#include "regress/box/box_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/box/box_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

void store_estimation(Run& run, const BoxEquation& eq, const BoxEstimate& e, const BoxOptions& o) {
    EstimationResults& s = run.last_estimation;
    s = EstimationResults{};
    s.command = "BOX";
    s.dep_ref = eq.dep_ref;
    s.dep_lag = eq.dep_lag;
    s.dep_name = eq.dep_name;
    s.dep_variable = reference_name(run, eq.dep_ref);
    const std::vector<std::string> names = box_parameter_names(eq, o);
    record_terms(run, eq.terms, s);
    // The lambdas and sigma**2 are named parameters, after the terms.
    for (std::size_t j = eq.terms.size(); j < names.size(); ++j)
        record_parameter(run, names[j], int(j - eq.terms.size()), s);
    s.mean_terms = e.k;
    auto transform = std::make_shared<PowerTransformPart>();
    transform->regressors = o.ALLBOX || o.XLAMBDA;
    transform->lambda_y = e.lambda_y;
    transform->lambda_x = e.lambda_x;
    s.model = std::move(transform);
    s.coef = e.coef;
    s.cov = e.cov;
    s.stderrs = e.se;
    s.tratios = e.tstat;
    s.obs = eq.obs;
    const Real xmiss = run.ws.XMISS;
    for (std::size_t i = 0; i < e.fitted.size(); ++i) {
        s.predicted.push_back(e.defined[i] ? e.fitted[i] : xmiss);
        s.residuals.push_back(e.defined[i] ? e.resid[i] : xmiss);
    }
    s.n = e.n;
    s.k = e.p;
    s.beg = eq.beg;
    s.end = eq.end;
    s.df = e.n - e.p;
    s.sigma = qm::sqrt(e.sigma2);
    s.intercept = o.CONSTANT;
    s.asymptotic = true;
}

} // namespace

std::vector<std::string> box_parameter_names(const BoxEquation& eq, const BoxOptions& o) {
    std::vector<std::string> names;
    for (const OlsTerm& t : eq.terms) names.push_back(t.name);
    names.push_back(first_8_padded("LAMBDA"));
    if (o.XLAMBDA) names.push_back(first_8_padded("LAMBDAX"));
    names.push_back(first_8_padded("SIGMA2"));
    return names;
}

void report_box(Run& run, const BoxEquation& eq, const BoxEstimate& e, const BoxOptions& o) {
    const bool put = run.flags.OPUT;
    const std::vector<std::string> names = box_parameter_names(eq, o);
    if (put) {
        write_line(run, " BOX-COX REGRESSION BY MAXIMUM LIKELIHOOD");
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        write_line(run, std::string(" TRANSFORMED: THE DEPENDENT VARIABLE") +
                            (o.ALLBOX    ? " AND THE REGRESSORS (ONE LAMBDA)"
                             : o.XLAMBDA ? "; THE REGRESSORS WITH LAMBDAX"
                                         : ""));
    }
    report_iteration_end(run,
                         e.end == BoxEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                         : e.end == BoxEnd::STUCK         ? IterationEnd::STUCK
                                                          : IterationEnd::CONVERGED,
                         e.iterations, "LOG-LIKELIHOOD", ERR_BOX_NO_CONVERGENCE, ERR_BOX_STUCK);
    if (put) {
        write_line(run, " ");
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.llf, 13, 6));
        write_line(run, " LOG-LIKELIHOOD AT LAMBDA = 1 (LINEAR) =" + fmt_G(e.llf_linear, 13, 6));
        write_line(run, " LOG-LIKELIHOOD AT LAMBDA = 0 (LOG)    =" + fmt_G(e.llf_log, 13, 6));
        write_line(run, " ");
        CoefficientTable t;
        t.label = "BOX-COX";
        t.names = names;
        t.coef = e.coef;
        t.se = e.se;
        t.tstat = e.tstat;
        t.df = e.n - e.p; // the partial correlations
        t.asymptotic = true;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_coefficient_matrices(run, names, e.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    ResultScalars& res = run.res;
    res[R_LLF] = e.llf;
    res[R_N] = e.n;
    res[R_K] = e.p;
    res[R_DF] = e.n - e.p;
    res[R_SIG2] = e.sigma2;
    store_estimation(run, eq, e, o);
    const EstimationResults& s = run.last_estimation;
    if (!store_by_observation(run, o.PREDICT, eq.end, eq.obs, s.predicted)) return;
    if (!store_by_observation(run, o.RESID, eq.end, eq.obs, s.residuals)) return;
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.coef, e.se, e.tstat,
                              e.cov);
}

} // namespace tarvex
