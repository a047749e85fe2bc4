// GME's report: the supports, the entropies, the coefficient table with the asymptotic standard
// errors, and each coefficient's support range and normalised entropy.
#include "regress/gme/gme_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"

#include <algorithm>

namespace tarvex {

namespace {

void gme_value_line(Run& run, const std::string& label, Real value) {
    write_line(run, " " + label + std::string(label.size() < 46 ? 46 - label.size() : 0, ' ') +
                        "=" + fmt_G(value, 17, 10));
}

} // namespace

void report_gme(Run& run, const EstimationEquation& eq, const GmeData& d, const GmeEstimate& e,
                const ModelResult& result, Real sigma, const GmeOptions& o) {
    if (!run.flags.OPUT) return;
    const int m = d.points, j = int(d.esupport.size());
    write_line(run, " GENERALISED MAXIMUM ENTROPY ESTIMATION (DUAL BY NEWTON'S METHOD)");
    write_line(run, fmt_I_fitted(result.record.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    write_line(run, " SUPPORT POINTS:" + fmt_I(m, 4) + " PER COEFFICIENT," + fmt_I(j, 4) +
                        " PER ERROR " +
                        (sigma > 0 ? "(3-SIGMA RULE, SIGMA OF Y =" + fmt_G(sigma, 13, 6) + ")"
                                   : "(ESUPPORT=" + trim_trailing_blanks(o.ESUPPORT) + ")"));
    write_line(run, " CONVERGED AFTER" + fmt_I(e.iterations, 4) + " NEWTON ITERATIONS");
    write_line(run, " ");
    gme_value_line(run, "MAXIMUM ENTROPY (MINIMUM OF THE DUAL)", e.entropy);
    gme_value_line(run, "NORMALISED ENTROPY OF THE COEFFICIENTS S(P)", e.entropy_beta);
    gme_value_line(run, "NORMALISED ENTROPY OF THE ERRORS S(W)", e.entropy_errors);
    gme_value_line(run, "INFORMATION INDEX 1 - S(P)", 1 - e.entropy_beta);
    gme_value_line(run, "SUM OF SQUARED RESIDUALS Y - XB", e.sse);
    gme_value_line(run, "R-SQUARED 1 - SSE/SST", e.r2);
    gme_value_line(run, "SIGMA2 BETA = MEAN(LAMBDA**2)/MEAN(1/VAR)**2", e.sigma2_beta);
    write_line(run, " ");
    CoefficientTable t = coefficient_table(result);
    t.label = "STANDARD ERRORS: SQRT OF SIGMA2 BETA (X'X)**-1";
    t.wide = o.WIDE;
    write_coefficient_table(run, t);
    write_line(run, " ");
    write_line(run, " VARIABLE    SUPPORT FROM        SUPPORT TO    NORMALISED ENTROPY");
    for (std::size_t c = 0; c < d.x.size(); ++c) {
        const auto first = d.bsupport.begin() + std::ptrdiff_t(c * std::size_t(m));
        const auto [low, high] = std::minmax_element(first, first + m);
        write_line(run, " " + first_8_padded(result.record.names[c]) + fmt_G(*low, 17, 8) +
                            fmt_G(*high, 17, 8) + fmt_G(e.entropy_k[c], 17, 8));
    }
    write_coefficient_matrices(run, result.record.names, result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
