// The exact Durbin-Watson test as the regression report writes it, on the residuals and the
// reflections of the Householder solve: the order, gap and missing-observation header, d, the
// roots of M*A (DUMP), P(d <= d_obs) and P(d >= d_obs), optionally under AR(1) errors (RHO) or
// for a given d (INDW), and the critical value for ALPHA.
#include "regress/ols/ols_durbin_watson.hpp"

#include "kernels/durbin_watson_exact.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_command.hpp"
#include "regress/ols/ols_estimation.hpp"
#include "regress/ols/ols_work_space.hpp"

namespace tarvex {

namespace {

constexpr int ROOTS_PER_LINE = 10;

} // namespace

ExactDwScalars exact_durbin_watson(const WorkAreaSize& area, const OlsOptions& o,
                                   const LsSolution& sol, ReportNotes& notes) {
    ExactDwScalars out;
    auto line = [&notes](std::string text, NoteKind kind = NoteKind::TEXT) {
        notes.add(NotePlace::SOLUTION, kind, std::move(text));
    };
    DifferenceScheme scheme;
    scheme.order = o.ORDER > 0 ? o.ORDER : 1;
    scheme.gap = o.GAP > 0 ? o.GAP : 0;
    scheme.missing = o.NMISS > 0 ? o.NMISS : 0;
    if (o.ORDER > 1) line(fmt_I(scheme.order, 3) + " ORDER TEST");
    if (o.GAP > 0) line(" GAP AFTER OB. NO." + fmt_I(o.GAP, 3));
    if (o.NMISS > 0) line(fmt_I(o.NMISS, 3) + " MISSING OBS");

    const Real d = durbin_watson_statistic(sol.residuals, scheme);
    if (scheme.gap > 0)
        line(" DURBIN-WATSON STATISTIC FOR" + fmt_I(1, 2) + " GAP -  =" + fmt_F(d, 10, 5));
    else
        line(" DURBIN-WATSON STATISTIC  =" + fmt_F(d, 10, 5));
    out.done = true;
    out.dw = d;

    const DurbinWatsonForms forms = durbin_watson_forms(sol.factored, sol.factor, scheme, o.RHO);
    std::vector<Real> roots;
    const DwStatus found = durbin_watson_roots(forms, roots);
    if (found == DwStatus::insufficient_space) {
        for (std::string& l :
             householder_space_lines(area, durbin_watson_work_words(int(sol.residuals.size()),
                                                                    sol.factor.nregs, o.RHO != 0)))
            line(std::move(l), NoteKind::ERROR);
        out.ends_command = true;
        return out;
    }
    if (found == DwStatus::too_few_degrees_of_freedom) {
        line(std::string(" ...WARNING..INSUFFICIENT DEGREES OF FREEDOM ") + "FOR DWPVALUE",
             NoteKind::WARNING);
        return out;
    }
    if (o.DUMP) {
        line(fmt_I(static_cast<long long>(roots.size()), 2) + " ROOTS OF MA");
        std::string row;
        for (std::size_t i = 0; i < roots.size(); ++i) {
            row += fmt_F(roots[i], 12, 4);
            if ((i + 1) % ROOTS_PER_LINE == 0 || i + 1 == roots.size()) {
                line(row);
                row.clear();
            }
        }
    }
    if (o.RHO != 0) line(" USING RHO=" + fmt_F(o.RHO, 10, 5));
    Real d_obs = d;
    if (o.INDW != 0) {
        d_obs = o.INDW;
        line(" USING DW=" + fmt_F(o.INDW, 10, 5));
    }
    const DwProbability p = durbin_watson_probability(forms, d_obs);
    if (p.status != DwStatus::ok) {
        notes.add_error(NotePlace::SOLUTION, " ...ERROR..INTEGRATION ERROR.", ERR_DW_INTEGRATION);
        line("IMPOSSIBLE TO COMPUTE PVALUE", NoteKind::ERROR);
        return out;
    }
    line(" DURBIN-WATSON POSITIVE AUTOCORRELATION TEST P-VALUE =" + fmt_F(p.lower, 12, 6));
    line(fmt_X(14) + " NEGATIVE AUTOCORRELATION TEST P-VALUE =" + fmt_F(p.upper, 12, 6));
    out.has_pvalue = true;
    out.pvalue = p.lower;
    if (o.ALPHA != 0) {
        Real critical = 0;
        if (durbin_watson_critical_value(forms, o.ALPHA, critical) == DwStatus::ok) {
            line(" AT DW=" + fmt_F(critical, 8, 6) + " PROB=" + fmt_F(o.ALPHA, 8, 6));
            out.has_critical = true;
            out.critical = critical;
        }
    }
    return out;
}

} // namespace tarvex
