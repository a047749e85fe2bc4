// Observation and regressor diagnostics of a finished fit: hat values, auxiliary R-squares,
// PRESS and the influence statistics (studentised residuals, covariance ratio, DFFITS, DFFIT,
// DFBETAS), each from the textbook leave-one-out identities.
#include "regress/ols/ols_influence.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_estimation.hpp"

namespace tarvex {

namespace {

constexpr int DFBETAS_PER_LINE = 7;

Real quad_form(const OlsFit& fit, const std::vector<Real>& xs, int i) {
    const int n = fit.n, k = fit.k;
    Real h = 0;
    for (int a = 0; a < k; ++a) {
        Real s = 0;
        for (int b = 0; b < k; ++b)
            s += fit.xtx_inv[std::size_t(a) * k + b] * xs[std::size_t(b) * n + i];
        h += xs[std::size_t(a) * n + i] * s;
    }
    return h;
}

} // namespace

std::vector<Real> hat_values(const OlsFit& fit, const std::vector<Real>& xs) {
    std::vector<Real> h(fit.n);
    for (int i = 0; i < fit.n; ++i) h[i] = quad_form(fit, xs, i);
    return h;
}

std::vector<AuxiliaryRsquare> auxiliary_rsquares(const OlsFit& fit, const std::vector<Real>& xs) {
    std::vector<AuxiliaryRsquare> out;
    const int n = fit.n, k = fit.k;
    for (int j = 0; j < k; ++j) {
        if (fit.terms[j].kind != TermKind::VARIABLE) continue;
        const Real* col = xs.data() + std::size_t(j) * n;
        Real mean = 0, ss = 0;
        if (fit.has_intercept) {
            for (int i = 0; i < n; ++i) mean += col[i];
            mean /= n;
        }
        for (int i = 0; i < n; ++i) ss += (col[i] - mean) * (col[i] - mean);
        const Real vif = fit.xtx_inv[std::size_t(j) * k + j] * ss;
        const Real r2 = vif != 0 ? 1 - 1 / vif : Real(0);
        out.push_back({fit.terms[j].name, r2});
    }
    return out;
}

void write_auxiliary_rsquares(Run& run, const std::vector<AuxiliaryRsquare>& rsquares) {
    for (const AuxiliaryRsquare& a : rsquares)
        write_line(run, " R-SQUARE OF " + a.name +
                            " ON OTHER INDEPENDENT VARIABLES =" + fmt_F(a.r2, 9, 4));
}

InfluenceMeasures influence_measures(const OlsFit& fit, const std::vector<Real>& xs,
                                     const std::vector<Real>& es) {
    const int n = fit.n, k = fit.k;
    const Real nk = n - k;
    const Real s2 = nk > 0 ? fit.sse / nk : Real(0);
    InfluenceMeasures m;
    for (std::vector<Real>* v : {&m.deleted_sd, &m.rstudent, &m.covratio, &m.dffits, &m.dffit})
        v->assign(n, 0);
    m.dfbetas.assign(std::size_t(n) * k, 0);
    for (int i = 0; i < n; ++i) {
        const Real h = fit.hat[i], one_h = 1 - h;
        if (one_h == 0) continue;
        m.press += (es[i] / one_h) * (es[i] / one_h);
        m.standardised += es[i] * es[i] / one_h;
        if (one_h < 0 || nk <= 1) continue;
        const Real s2i = (nk * s2 - es[i] * es[i] / one_h) / (nk - 1);
        const Real sdel = s2i > 0 ? qm::sqrt(s2i) : Real(0);
        m.deleted_sd[i] = sdel;
        const Real tstar = sdel > 0 ? es[i] / (sdel * qm::sqrt(one_h)) : Real(0);
        m.rstudent[i] = tstar;
        const Real base = (nk - 1) / nk + tstar * tstar / nk;
        m.covratio[i] = 1 / (one_h * qm::pow(base, Real(k)));
        m.dffits[i] = tstar * qm::sqrt(h / one_h);
        m.dffit[i] = h * es[i] / one_h;
        if (sdel <= 0) continue;
        for (int j = 0; j < k; ++j) {
            Real change = 0; // (X'X)**-1 x_i e_i / (1 - h_i), component j
            for (int b = 0; b < k; ++b)
                change += fit.xtx_inv[std::size_t(j) * k + b] * xs[std::size_t(b) * n + i];
            change *= es[i] / one_h;
            m.dfbetas[std::size_t(i) * k + j] =
                change / (sdel * qm::sqrt(fit.xtx_inv[std::size_t(j) * k + j]));
        }
    }
    if (s2 > 0)
        m.standardised /= s2;
    else
        m.standardised = 0;
    m.press_mean = m.press / n;
    return m;
}

void write_influence(Run& run, const OlsFit& fit, const InfluenceMeasures& m, bool dfbetas) {
    const int n = fit.n, k = fit.k;
    write_line(run, " SUM-OF-SQUARED PREDICTION ERRORS SSPE,PRESS,CV=" + fmt_G(m.press, 13, 5));
    write_line(run,
               " SUM OF SQUARED STANDARDIZED PREDICTION ERRORS =" + fmt_G(m.standardised, 13, 5));
    write_line(run, " CROSS-VALIDATION CRITERION PRESS/N =" + fmt_G(m.press_mean, 13, 5));

    write_line(run, fmt_X(8) + "RESIDUAL    RSTUDENT    HT    COVRAT     DFFITS  " + " DFFIT ");
    for (int i = 0; i < n; ++i)
        write_line(run, fmt_I(fit.obs[i], 5) + fmt_G(fit.resid[i], 13, 5) +
                            fmt_F(m.rstudent[i], 9, 4) + fmt_F(fit.hat[i], 9, 4) +
                            fmt_F(m.covratio[i], 9, 4) + fmt_F(m.dffits[i], 9, 4) +
                            fmt_G(m.dffit[i], 13, 5));
    if (!dfbetas) return;
    for (int first = 0; first < k; first += DFBETAS_PER_LINE) {
        const int last = std::min(k, first + DFBETAS_PER_LINE);
        std::string head = " DFBETAS:    ";
        for (int j = first; j < last; ++j) head += fmt_A(fit.terms[j].name, 9);
        write_line(run, head);
        for (int i = 0; i < n; ++i) {
            std::string line = fmt_I(fit.obs[i], 5) + fmt_X(8);
            for (int j = first; j < last; ++j)
                line += fmt_F(m.dfbetas[std::size_t(i) * k + j], 9, 4);
            write_line(run, line);
        }
    }
}

} // namespace tarvex
