// The exact Durbin-Watson test as the regression report writes it, on the residuals and the
// reflections of the Householder solve: the order, gap and missing-observation header, d, the
// roots of M*A (DUMP), P(d <= d_obs) and P(d >= d_obs), optionally under AR(1) errors (RHO) or
// for a given d (INDW), and the critical value for ALPHA.
#include "regress/ols_durbin_watson.hpp"

#include "interp/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/durbin_watson_exact.hpp"
#include "regress/ls_bridge.hpp"
#include "regress/ols_options.hpp"
#include "regress/ols_work_space.hpp"

namespace tarvex {

namespace {

constexpr int ROOTS_PER_LINE = 10;

} // namespace

void exact_durbin_watson(Run& run, const OlsOptions& o, const LsSolution& sol) {
    DifferenceScheme scheme;
    scheme.order = o.ORDER > 0 ? o.ORDER : 1;
    scheme.gap = o.GAP > 0 ? o.GAP : 0;
    scheme.missing = o.NMISS > 0 ? o.NMISS : 0;
    if (o.ORDER > 1) write_line(run, fmt_I(scheme.order, 3) + " ORDER TEST");
    if (o.GAP > 0) write_line(run, " GAP AFTER OB. NO." + fmt_I(o.GAP, 3));
    if (o.NMISS > 0) write_line(run, fmt_I(o.NMISS, 3) + " MISSING OBS");

    const Real d = durbin_watson_statistic(sol.residuals, scheme);
    if (scheme.gap > 0)
        write_line(run, " DURBIN-WATSON STATISTIC FOR" + fmt_I(1, 2) + " GAP -  =" + fmt_F(d, 10, 5));
    else
        write_line(run, " DURBIN-WATSON STATISTIC  =" + fmt_F(d, 10, 5));
    run.res[R_DW] = d;

    const DurbinWatsonForms forms = durbin_watson_forms(sol.factored, sol.factor, scheme, o.RHO);
    std::vector<Real> roots;
    const DwStatus found = durbin_watson_roots(forms, roots);
    if (found == DwStatus::insufficient_space) {
        householder_space_error(run, durbin_watson_work_words(int(sol.residuals.size()),
                                                              sol.factor.nregs, o.RHO != 0));
        return;
    }
    if (found == DwStatus::too_few_degrees_of_freedom) {
        write_line(run, std::string(" ...WARNING..INSUFFICIENT DEGREES OF FREEDOM ") + "FOR DWPVALUE");
        return;
    }
    if (o.DUMP) {
        std::string line = fmt_I(static_cast<long long>(roots.size()), 2) + " ROOTS OF MA";
        write_line(run, line);
        line.clear();
        for (std::size_t i = 0; i < roots.size(); ++i) {
            line += fmt_F(roots[i], 12, 4);
            if ((i + 1) % ROOTS_PER_LINE == 0 || i + 1 == roots.size()) {
                write_line(run, line);
                line.clear();
            }
        }
    }
    if (o.RHO != 0) write_line(run, " USING RHO=" + fmt_F(o.RHO, 10, 5));
    Real d_obs = d;
    if (o.INDW != 0) {
        d_obs = o.INDW;
        write_line(run, " USING DW=" + fmt_F(o.INDW, 10, 5));
    }
    const DwProbability p = durbin_watson_probability(forms, d_obs);
    if (p.status != DwStatus::ok) {
        write_line(run, " ...ERROR..INTEGRATION ERROR.");
        write_line(run, "IMPOSSIBLE TO COMPUTE PVALUE");
        return;
    }
    write_line(run, " DURBIN-WATSON POSITIVE AUTOCORRELATION TEST P-VALUE =" + fmt_F(p.lower, 12, 6));
    write_line(run, fmt_X(14) + " NEGATIVE AUTOCORRELATION TEST P-VALUE =" + fmt_F(p.upper, 12, 6));
    run.res[R_CDF] = p.lower;
    if (o.ALPHA != 0) {
        Real critical = 0;
        if (durbin_watson_critical_value(forms, o.ALPHA, critical) == DwStatus::ok) {
            write_line(run, " AT DW=" + fmt_F(critical, 8, 6) + " PROB=" + fmt_F(o.ALPHA, 8, 6));
            run.res[R_CRIT] = critical;
        }
    }
}

} // namespace tarvex
