// Writing and storing the estimates of GLS.
#include "regress/gls/gls_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

std::vector<std::string> term_names(const std::vector<OlsTerm>& terms) {
    std::vector<std::string> names;
    for (const OlsTerm& t : terms) names.push_back(t.name);
    return names;
}

void write_summary(Run& run, const GlsEstimate& e) {
    write_line(run, " ");
    write_line(run, "  R-SQUARE (BUSE) =" + fmt_F(e.r2, 9, 4) + fmt_X(5) +
                        "R-SQUARE ADJUSTED =" + fmt_F(e.adjusted_r2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(qm::sqrt(e.sigma2), 13, 5));
    write_line(run, " SUM OF SQUARED TRANSFORMED ERRORS E'OMEGA**-1 E =" + fmt_G(e.sse, 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.sse_plain, 13, 5));
    write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.llf, 13, 6));
}

void store_estimation(Run& run, const GlsEquation& eq, const GlsEstimate& e) {
    EstimationResults& s =
        new_estimation_record(run, "GLS", eq.dep_ref, eq.dep_lag, eq.dep_name, eq.terms);
    s.coef = e.coef;
    s.cov = e.cov;
    s.xtx_inv = e.xtx_inv;
    s.stderrs = e.se;
    s.tratios = e.tstat;
    s.obs = eq.obs;
    s.predicted = e.fitted;
    s.residuals = e.resid;
    s.n = e.n;
    s.k = e.k;
    s.beg = eq.beg;
    s.end = eq.end;
    s.df = e.df;
    s.sse = e.sse;
    s.rsqr = e.r2;
    s.sigma = qm::sqrt(e.sigma2);
    s.intercept = !eq.terms.empty() && eq.terms.back().kind == TermKind::INTERCEPT;
}

} // namespace

void report_gls(Run& run, const GlsEquation& eq, const GlsEstimate& e, const GlsOptions& o) {
    if (run.flags.OPUT) {
        write_line(run,
                   " GENERALIZED LEAST SQUARES WITH " +
                       (!name_blank(o.OMEGA)
                            ? "ERROR COVARIANCE MATRIX OMEGA= " + trim_trailing_blanks(o.OMEGA)
                            : "ERROR VARIANCES VARIANCE= " + trim_trailing_blanks(o.VARIANCE)));
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        write_summary(run, e);
        write_line(run, " ");
        CoefficientTable t;
        t.names = term_names(eq.terms);
        t.coef = e.coef;
        t.se = e.se;
        t.tstat = e.tstat;
        t.df = e.df;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_coefficient_matrices(run, t.names, e.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    ResultScalars& res = run.res;
    res[R_N] = e.n;
    res[R_K] = e.k;
    res[R_DF] = e.df;
    res[R_SSE] = e.sse;
    res[R_SIG2] = e.sigma2;
    res[R_R2] = e.r2;
    res[R_ADR2] = e.adjusted_r2;
    res[R_LLF] = e.llf;
    store_estimation(run, eq, e);
    if (!store_by_observation(run, o.PREDICT, eq.end, eq.obs, e.fitted)) return;
    if (!store_by_observation(run, o.RESID, eq.end, eq.obs, e.resid)) return;
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.coef, e.se, e.tstat,
                              e.cov);
}

} // namespace tarvex
