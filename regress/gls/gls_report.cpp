// Writing the estimates of GLS.
#include "regress/gls/gls_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

namespace {

void write_summary(Run& run, const GlsEstimate& e) {
    const EstimationResults& r = e.result.record;
    write_line(run, " ");
    write_line(run, "  R-SQUARE (BUSE) =" + fmt_F_fitted(r.rsqr, 9, 4) + fmt_X(5) +
                        "R-SQUARE ADJUSTED =" + fmt_F_fitted(e.adjusted_r2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(r.sigma, 13, 5));
    write_line(run, " SUM OF SQUARED TRANSFORMED ERRORS E'OMEGA**-1 E =" + fmt_G(r.sse, 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.sse_plain, 13, 5));
    write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(r.llf, 13, 6));
}

} // namespace

void report_gls(Run& run, const EstimationEquation& eq, const GlsEstimate& e, const GlsOptions& o) {
    if (!run.flags.OPUT) return;
    write_line(run, " GENERALIZED LEAST SQUARES WITH " +
                        (!name_blank(o.OMEGA)
                             ? "ERROR COVARIANCE MATRIX OMEGA= " + trim_trailing_blanks(o.OMEGA)
                             : "ERROR VARIANCES VARIANCE= " + trim_trailing_blanks(o.VARIANCE)));
    write_line(run, fmt_I_fitted(e.result.record.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    write_summary(run, e);
    write_line(run, " ");
    CoefficientTable t = coefficient_table(e.result);
    t.wide = o.WIDE;
    write_coefficient_table(run, t);
    write_coefficient_matrices(run, t.names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
