// The pooled model of FCAST.
#include "regress/fcast/fcast_pool.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The values of the CSFIX= vector; none when the name is unknown.
std::vector<Real> vector_values(Run& run, const std::string& name) {
    std::vector<Real> values;
    const int ref = VFIND(run, trim_trailing_blanks(name));
    VarInfo info;
    if (ref <= 0 || !VINFO(run, ref, info) || info.type > TYPE_SYMMETRIC) return values;
    for (long long k = 1; k <= info.length; ++k) values.push_back(element(run, info, k));
    return values;
}

// The covariance of (b, a_c) for the effect a_c = mean_c(y) - mean_c(x)'b of a within fit:
// Var(a_c) = s2 / T_c + m'Vm, Cov(b, a_c) = -Vm, with V the covariance of b.
void add_effect_covariance(FcastModel& m, const EstimationResults& e, const PanelPart& panel,
                           int c) {
    const std::size_t k = m.coef.size(), k1 = k + 1;
    if (m.cov.size() != k * k || panel.means.size() < (std::size_t(c) + 1) * k ||
        std::size_t(c) >= panel.counts.size()) {
        m.cov.clear();
        return;
    }
    const Real* mean = panel.means.data() + std::size_t(c) * k;
    std::vector<Real> vm(k, Real(0));
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) vm[a] += m.cov[a * k + b] * mean[b];
    Real mvm = 0;
    for (std::size_t a = 0; a < k; ++a) mvm += mean[a] * vm[a];
    std::vector<Real> cov(k1 * k1, Real(0));
    for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t b = 0; b < k; ++b) cov[a * k1 + b] = m.cov[a * k + b];
        cov[a * k1 + k] = cov[k * k1 + a] = -vm[a];
    }
    cov[k * k1 + k] = e.sigma * e.sigma / panel.counts[std::size_t(c)] + mvm;
    m.cov = std::move(cov);
}

} // namespace

bool pool_fcast_model(Run& run, const FcastOptions& o, FcastModel& m) {
    m.pooled = true;
    m.cs_number = o.CSNUMBER;
    if (o.POOLSE > 0) m.sigma = o.POOLSE;
    m.pool_se = m.sigma;
    const EstimationResults& e = run.last_estimation;
    const bool typed = !name_blank(o.CSFIX);
    const PanelPart* panel = model_part<PanelPart>(e);
    const bool estimated = !typed && panel != nullptr && panel->fixed && run.scan.NF == 0;
    // A forecast from the last POOL / FIXED uses its effects whether or not FIXED is given
    // again: without them the within slopes would forecast deviations from the cross-section
    // means. Coefficients given by COEFFICI= make another model, forecast as typed.
    const bool use_effects = o.FIXED || (estimated && name_blank(o.COEFFICI));
    if (!use_effects) {
        if (o.CSNUMBER != 0 && (o.CSNUMBER < 1 || o.CSNUMBER > o.NCROSS)) {
            report_error(run,
                         " ...ERROR..CSNUMBER=" + fmt_I(o.CSNUMBER, 8) + " IS NOT BETWEEN 1 AND" +
                             fmt_I(o.NCROSS, 8),
                         ERR_FCAST_CROSS_SECTION);
            return false;
        }
        return true;
    }
    const std::vector<Real> effects = typed       ? vector_values(run, o.CSFIX)
                                      : estimated ? panel->effects
                                                  : std::vector<Real>();
    if (effects.empty()) {
        report_error(run,
                     " ...ERROR..FIXED NEEDS CSFIX= OR THE EFFECTS OF A PRECEDING POOL / FIXED",
                     ERR_FCAST_NO_EFFECTS);
        return false;
    }
    const int last = std::min<int>(o.NCROSS, int(effects.size()));
    if (o.CSNUMBER < 1 || o.CSNUMBER > last) {
        report_error(run,
                     " ...ERROR..CSNUMBER=" + fmt_I(o.CSNUMBER, 8) + " IS NOT BETWEEN 1 AND" +
                         fmt_I(last, 8),
                     ERR_FCAST_CROSS_SECTION);
        return false;
    }
    m.fixed_effect = true;
    m.effect = effects[std::size_t(o.CSNUMBER - 1)];
    // The effect takes the intercept's place, or is added after the slopes of a within fit.
    auto constant = std::find_if(m.terms.begin(), m.terms.end(),
                                 [](const OlsTerm& t) { return t.kind == TermKind::INTERCEPT; });
    if (constant != m.terms.end()) {
        constant->name = first_8_padded("FIXED");
        m.coef[std::size_t(constant - m.terms.begin())] = m.effect;
        m.cov.clear(); // the effect given has no covariance with the estimates
        return true;
    }
    if (estimated && !m.cov.empty() && o.POOLSE <= 0)
        add_effect_covariance(m, e, *panel, o.CSNUMBER - 1);
    else
        m.cov.clear();
    OlsTerm fixed;
    fixed.kind = TermKind::INTERCEPT;
    fixed.ref = run.ws.MAXVAR + 1;
    fixed.name = first_8_padded("FIXED");
    m.terms.push_back(fixed);
    m.coef.push_back(m.effect);
    return true;
}

} // namespace tarvex
