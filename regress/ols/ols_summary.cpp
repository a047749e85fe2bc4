// The summary numbers of a regression: sums of squares, R-squares, sigma**2, the finite
// population correction, the log-likelihood, the analysis-of-variance tables and the model
// selection criteria, with the warnings on a negative SSE and on zero degrees of freedom, and the
// statistics of the residuals.
#include "regress/ols/ols_estimation.hpp"

#include "core/switches.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

namespace tarvex {

namespace {

// pi as the likelihood formula stores it.
const Real PI_STORED = 3.1415926535898Q;
// Accumulator values that mean "log-likelihood not available".
const Real LLF_UNAVAILABLE = 99999;
const Real LLF_UNAVAILABLE_2 = -9999999;
// Adjusted R-square when the degrees of freedom are not positive.
const Real NOT_AVAILABLE = 9999999;

Real safe_div(Real a, Real b) {
    return b != 0 ? a / b : Real(0);
}

} // namespace

void summarise_ols(OlsEstimate& e, const OlsOptions& o) {
    summarise_ols_fit(e, o);
    e.residuals = residual_stats(e.fit, o.LM);
    if (o.GF) add_goodness_of_fit(e.fit, e.residuals);
}

void summarise_ols_fit(OlsEstimate& e, const OlsOptions& o) {
    OlsFit& fit = e.fit;
    OlsSummary& s = e.summary;
    s = OlsSummary{};
    const Real n = fit.nobs, k = fit.k;
    if (fit.sse < 0) {
        fit.sse = 0;
        e.notes.add(NotePlace::SUMMARY, NoteKind::TEXT, " ", OWARN);
        e.notes.add(NotePlace::SUMMARY, NoteKind::WARNING,
                    " ...WARNING..CALCULATED SSE IS NEGATIVE..ZERO USED", OWARN);
    }
    if (fit.df > 0) {
        s.sigma2 = fit.sse / fit.df;
    } else {
        s.sigma2 = fit.sigma2;
        e.notes.add(NotePlace::SUMMARY, NoteKind::TEXT, " ", OWARN);
        e.notes.add(NotePlace::SUMMARY, NoteKind::WARNING,
                    " ...WARNING..ZERO DEGREES OF FREEDOM LEFT", OWARN);
    }
    s.r2 = fit.sst > 0 ? 1 - fit.sse / fit.sst : Real(0);
    // The intercept alone explains nothing: SSE equals SST, up to rounding.
    if (fit.has_intercept && fit.k == 1) s.r2 = 0;
    s.adr2 = fit.df > 0 ? s.r2 - (1 - s.r2) * (k - fit.restrictions - 1) / fit.df : NOT_AVAILABLE;
    s.raw = fit.raw != 0 ? 1 - fit.sse / fit.raw : Real(0);
    if (o.NPOP > 0) {
        const Real fpc = 1 - n / o.NPOP;
        for (Real& v : fit.cov) v *= fpc;
        e.notes.add(NotePlace::SUMMARY, NoteKind::TEXT, " NP=" + fmt_I(o.NPOP, 20));
        e.notes.add(NotePlace::SUMMARY, NoteKind::TEXT,
                    " FINITE POPULATION CORRECTION=" + fmt_G(fpc, 13, 5));
    }
    // Log-likelihood.
    fit.llf_acc = fit_weighted(fit) ? fit.sum_log_root_w : Real(0);
    s.llf_available =
        fit.sse > 0 && n > 0 && fit.llf_acc != LLF_UNAVAILABLE && fit.llf_acc != LLF_UNAVAILABLE_2;
    if (s.llf_available) {
        s.llf = -(n / 2) * qm::log(2 * PI_STORED * fit.sse / n) - n / 2 + fit.llf_acc;
        // The untransformed variable's likelihood: the Jacobian of the log, N times the mean of
        // the logged dependent variable.
        s.llf_log = s.llf - n * fit.ymean;
    } else {
        s.llf = LLF_UNAVAILABLE;
    }
    // Analysis of variance from the mean and from zero.
    s.ssr = fit.sst - fit.sse;
    s.anf = k > 1 ? safe_div(s.ssr / (k - 1), s.sigma2) : Real(0);
    s.anova_p = f_tail(s.anf, k - 1, fit.df);
    s.zsst = fit.raw;
    s.zssr = fit.raw - fit.sse;
    s.zdf = k;
    s.zanf = safe_div(s.zssr / k, s.sigma2);
    s.zanova_p = f_tail(s.zanf, k, fit.df);
    s.ms_regression = safe_div(s.ssr, k - 1);
    s.ms_total = safe_div(fit.sst, n - 1);
    s.zms_regression = safe_div(s.zssr, k);
    s.zms_total = safe_div(fit.raw, n);
    s.sigma = qm::sqrt(qm::abs(s.sigma2));
    // Model selection criteria.
    if (fit.sse > 0 && n > 0) {
        const Real sn = fit.sse / n;
        s.fpe = s.sigma2 * (1 + k / n);
        s.laic = qm::log(sn) + 2 * k / n;
        s.lsc = qm::log(sn) + k * qm::log(n) / n;
        s.gcv = k == n ? Real(0) : sn / ((1 - k / n) * (1 - k / n));
        s.hq = sn * qm::pow(qm::log(n), 2 * k / n);
        s.rice = 2 * k == n ? Real(0) : sn / (1 - 2 * k / n);
        s.shib = sn * (n + 2 * k) / n;
        s.sc = (-EXLIM < s.lsc && s.lsc < EXLIM) ? qm::exp(s.lsc) : Real(0);
        s.aic = (-EXLIM < s.laic && s.laic < EXLIM) ? qm::exp(s.laic) : Real(0);
    }
    // Standard errors and t-ratios from the final covariance.
    fit.se.assign(fit.k, 0);
    fit.tstat.assign(fit.k, 0);
    for (int j = 0; j < fit.k; ++j) {
        fit.se[j] = qm::sqrt(qm::abs(fit.cov[std::size_t(j) * fit.k + j]));
        fit.tstat[j] = safe_div(fit.coef[j], fit.se[j]);
    }
}

} // namespace tarvex
