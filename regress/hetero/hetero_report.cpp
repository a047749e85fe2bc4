// Writing and storing the estimates of HETERO.
#include "regress/hetero/hetero_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/hetero/hetero_errors.hpp"

namespace tarvex {

namespace {

// The name TEST knows a variance coefficient by: "V_" and the term's name, 8 columns.
std::string variance_parameter_name(const std::string& name) {
    return first_8_padded("V_" + trim_trailing_blanks(name));
}

std::vector<std::string> term_names(const std::vector<OlsTerm>& terms) {
    std::vector<std::string> names;
    for (const OlsTerm& t : terms) names.push_back(t.name);
    return names;
}

void write_history(Run& run, const HeteroEquation& eq, const HeteroEstimate& e) {
    std::vector<std::string> names = term_names(eq.mean);
    for (const OlsTerm& t : eq.variance) names.push_back(variance_parameter_name(t.name));
    for (const HeteroIteration& it : e.history)
        write_iteration(run, it.iteration, "LOG-LIKELIHOOD", it.llf, names, it.parameters);
}

// Rows first..first+count-1 of the estimate as a table.
void write_table(Run& run, const std::string& label, const std::vector<OlsTerm>& terms,
                 const HeteroEstimate& e, int first, bool wide) {
    CoefficientTable t;
    t.label = label;
    t.names = term_names(terms);
    t.coef.assign(e.coef.begin() + first, e.coef.begin() + first + int(terms.size()));
    t.se.assign(e.se.begin() + first, e.se.begin() + first + int(terms.size()));
    t.tstat.assign(e.tstat.begin() + first, e.tstat.begin() + first + int(terms.size()));
    t.df = e.n - e.k - e.m; // the partial correlations
    t.asymptotic = true;
    t.wide = wide;
    write_coefficient_table(run, t);
}

void store_estimation(Run& run, const HeteroEquation& eq, const HeteroEstimate& e) {
    EstimationResults& s =
        new_estimation_record(run, "HETERO", eq.dep_ref, eq.dep_lag, eq.dep_name, eq.mean);
    // The variance coefficients are named parameters (V_name), after those of the mean.
    for (std::size_t j = 0; j < eq.variance.size(); ++j)
        record_parameter(run, variance_parameter_name(eq.variance[j].name), int(j), s);
    s.mean_terms = e.k;
    s.coef = e.coef;
    s.cov = e.cov;
    s.stderrs = e.se;
    s.tratios = e.tstat;
    s.obs = eq.obs;
    s.predicted = e.fitted;
    s.residuals = e.resid;
    s.n = e.n;
    s.k = e.k + e.m;
    s.beg = eq.beg;
    s.end = eq.end;
    s.df = e.n - e.k - e.m;
    Real sse = 0;
    for (Real r : e.resid) sse += r * r;
    s.sse = sse;
    s.sigma = e.n > 0 ? qm::sqrt(sse / e.n) : Real(0);
    s.intercept = !eq.mean.empty() && eq.mean.back().kind == TermKind::INTERCEPT;
    s.asymptotic = true;
}

} // namespace

void report_hetero(Run& run, const HeteroEquation& eq, const HeteroEstimate& e,
                   const HeteroOptions& o) {
    const bool put = run.flags.OPUT;
    if (put) {
        write_line(run, " REGRESSION WITH MULTIPLICATIVE HETEROSKEDASTICITY: VAR(E) = EXP(Z'G)");
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        write_line(run, " METHOD: " + o.METHOD + " (MAXIMUM LIKELIHOOD)");
        if (o.PITER) write_history(run, eq, e);
    }
    report_iteration_end(run,
                         e.end == HeteroEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                         : e.end == HeteroEnd::STUCK         ? IterationEnd::STUCK
                                                             : IterationEnd::CONVERGED,
                         e.iterations, "LOG-LIKELIHOOD", ERR_HET_NO_CONVERGENCE, ERR_HET_STUCK);
    if (put) {
        write_line(run, " ");
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.llf, 13, 6));
        write_line(run, " LOG-LIKELIHOOD WITH CONSTANT VARIANCE =" + fmt_G(e.llf_constant, 13, 6));
        if (e.lr_df > 0)
            write_line(run, " LIKELIHOOD RATIO TEST OF CONSTANT VARIANCE: CHI-SQUARE =" +
                                fmt_F(e.lr, 10, 4) + " WITH" + fmt_I(e.lr_df, 3) +
                                " DEGREES OF FREEDOM, P-VALUE=" + fmt_F(e.lr_pvalue, 6, 3));
        if (o.HETCOV) write_line(run, " USING HETEROSKEDASTICITY-CONSISTENT COVARIANCE MATRIX");
        write_line(run, " ");
        write_table(run, fmt_X(10) + "MEAN EQUATION:", eq.mean, e, 0, o.WIDE);
        write_line(run, " ");
        write_table(run, fmt_X(10) + "VARIANCE EQUATION:", eq.variance, e, e.k, o.WIDE);
        std::vector<std::string> names = term_names(eq.mean);
        for (const OlsTerm& t : eq.variance) names.push_back(variance_parameter_name(t.name));
        write_coefficient_matrices(run, names, e.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    ResultScalars& res = run.res;
    res[R_LLF] = e.llf;
    res[R_N] = e.n;
    res[R_K] = e.k + e.m;
    res[R_DF] = e.n - e.k - e.m;
    res[R_CHI] = e.lr;
    store_estimation(run, eq, e);
    if (!store_by_observation(run, o.PREDICT, eq.end, eq.obs, e.fitted)) return;
    if (!store_by_observation(run, o.RESID, eq.end, eq.obs, e.resid)) return;
    if (!store_by_observation(run, o.VARPRED, eq.end, eq.obs, e.variance)) return;
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.coef, e.se, e.tstat,
                              e.cov);
}

} // namespace tarvex
