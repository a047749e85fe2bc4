// OLSEST: writes the estimation heading, loads the observations in use (lags, logs, weights),
// warns about a dummy dependent variable and constant regressors, solves by the chosen method,
// forms sigma**2 and the coefficient covariance (robust forms on request), the auxiliary
// R-squares and the influence diagnostics, and hands the fit to the report.
#include "regress/ols_command.hpp"

#include "interp/error_report.hpp"
#include "interp/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"
#include "regress/lag_polynomial.hpp"
#include "regress/ls_bridge.hpp"
#include "regress/recursive_residuals.hpp"
#include "regress/ols_fit.hpp"
#include "regress/ols_durbin_watson.hpp"
#include "regress/ols_influence.hpp"
#include "regress/ols_report.hpp"
#include "regress/restrict_estimation.hpp"
#include "workspace/sample.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// A variable read by observation number; 0 throughout when it has no header.
struct Column {
    SeriesReader reader;
    Column(Run& run, int ref) : reader(run, ref) {}
    Real at(Run& run, long long t) const { return reader.ok() ? reader.at(run, t, run.ws.XMISS) : Real(0); }
};

// Loads y and X for the observations in use; false after an invalid value for logs.
bool load_data(Run& run, OlsFit& fit) {
    fit.obs.clear();
    const SkipCodes skip = skip_codes(run); // looked up once, not per observation
    for (int t = fit.beg; t <= fit.end; ++t)
        if (!skip || t > skip.length || skip.codes[t] <= 0) fit.obs.push_back(t);
    const int n = int(fit.obs.size());
    fit.n = n;
    fit.y.assign(n, 0);
    fit.x.assign(std::size_t(n) * fit.k, 0);
    const Column dep(run, fit.dep_ref);
    for (int i = 0; i < n; ++i) {
        Real y = dep.at(run, fit.obs[i] - fit.dep_lag);
        if (fit.log_dependent) {
            if (!(y > 0)) {
                report_error(run, " ...ERROR..VARIABLE " + fit.dep_name + " IS NOT VALID", ERR_NOT_VALID);
                return false;
            }
            y = qm::log(y);
        }
        fit.y[i] = y;
    }
    for (int j = 0; j < fit.k; ++j) {
        const OlsTerm& term = fit.terms[j];
        Real* col = fit.x.data() + std::size_t(j) * n;
        if (term.kind == TermKind::INTERCEPT) {
            for (int i = 0; i < n; ++i) col[i] = 1;
            continue;
        }
        if (term.kind == TermKind::TREND) {
            for (int i = 0; i < n; ++i) col[i] = fit.obs[i];
            continue;
        }
        const Column var(run, term.ref);
        for (int i = 0; i < n; ++i) {
            Real v = var.at(run, fit.obs[i] - term.lag);
            if (fit.log_regressors) {
                if (!(v > 0)) {
                    report_error(run, " ...ERROR..VARIABLE " + term.name + " IS NOT VALID", ERR_NOT_VALID);
                    return false;
                }
                v = qm::log(v);
            }
            col[i] = v;
        }
    }
    return true;
}

// Drops observations whose weight is zero or missing and scales the kept weights.
void load_weights(Run& run, OlsFit& fit, const OlsOptions& o) {
    std::vector<int> keep;
    std::vector<Real> w;
    const Column weight(run, fit.weight_ref);
    for (int i = 0; i < fit.n; ++i) {
        const Real wi = weight.at(run, fit.obs[i]);
        if (wi == run.ws.XMISS || wi == 0) {
            if (run.sw[OMSWRN] && run.flags.OPUT)
                write_line(run, " ...WARNING..OBSERVATION " + fmt_I(fit.obs[i], 5) +
                                    " SKIPPED AS WEIGHT IS ZERO OR" + "UNDEFINED");
            continue;
        }
        keep.push_back(i);
        w.push_back(wi);
    }
    const int n = int(keep.size());
    if (o.NORMALIZ && !o.REPLICAT && n > 0) {
        Real mean = 0;
        for (Real v : w) mean += v;
        mean /= n;
        if (mean != 0)
            for (Real& v : w) v /= mean;
    }
    std::vector<int> obs(n);
    std::vector<Real> y(n), x(std::size_t(n) * fit.k);
    for (int i = 0; i < n; ++i) {
        obs[i] = fit.obs[keep[i]];
        y[i] = fit.y[keep[i]];
        for (int j = 0; j < fit.k; ++j) x[std::size_t(j) * n + i] = fit.x[std::size_t(j) * fit.n + keep[i]];
    }
    fit.obs = std::move(obs);
    fit.y = std::move(y);
    fit.x = std::move(x);
    fit.w = std::move(w);
    fit.n = n;
    fit.sum_log_root_w = 0;
    for (Real v : fit.w) fit.sum_log_root_w += qm::log(qm::sqrt(qm::abs(v)));
    if (run.flags.OPUT)
        write_line(run, " SUM OF LOG(SQRT(ABS(WEIGHT)))  =" + fmt_G(fit.sum_log_root_w, 13, 5));
    if (o.REPLICAT) {
        Real total = 0;
        for (Real v : fit.w) total += v;
        if (run.flags.OPUT)
            write_line(run, " NUMBER OF OBSERVATIONS AFTER REPLICATION =" +
                                fmt_I(static_cast<long long>(qm::round(total)), 9));
    }
}

// Means, standard deviations and sums of squares of the columns and the dependent variable
// (weighted when weights are in use). Without weights every sum is exact and rounded once.
void column_moments(OlsFit& fit) {
    const int n = fit.n;
    fit.xmean.assign(fit.k, 0);
    fit.xsd.assign(fit.k, 0);
    if (fit.w.empty()) {
        auto moments = [&](const Real* v, Real& mean, Real& sd) {
            const MeanAndSquares m = exact_mean_and_centred_squares(v, std::size_t(n));
            mean = m.mean;
            const Real ss = m.centred_squares;
            sd = fit.nobs > 1 ? qm::sqrt(qm::abs(ss / (fit.nobs - 1))) : Real(0);
            return ss;
        };
        for (int j = 0; j < fit.k; ++j) {
            if (fit.terms[j].kind == TermKind::INTERCEPT && n > 0) {
                fit.xmean[j] = 1; // a column of ones: mean 1, no spread
                continue;
            }
            moments(fit.x.data() + std::size_t(j) * n, fit.xmean[j], fit.xsd[j]);
        }
        fit.sst = moments(fit.y.data(), fit.ymean, fit.ysd);
        fit.raw = exact_sum_of_squares(fit.y.data(), std::size_t(n));
        return;
    }
    Real wsum = 0;
    for (int i = 0; i < n; ++i) wsum += fit.w[i];
    auto moments = [&](const Real* v, Real& mean, Real& sd) {
        Real s = 0;
        for (int i = 0; i < n; ++i) s += fit.w[i] * v[i];
        mean = wsum != 0 ? s / wsum : 0;
        Real ss = 0;
        for (int i = 0; i < n; ++i) {
            const Real d = v[i] - mean;
            ss += fit.w[i] * d * d;
        }
        sd = fit.nobs > 1 ? qm::sqrt(qm::abs(ss / (fit.nobs - 1))) : Real(0);
        return ss;
    };
    for (int j = 0; j < fit.k; ++j)
        moments(fit.x.data() + std::size_t(j) * n, fit.xmean[j], fit.xsd[j]);
    fit.sst = moments(fit.y.data(), fit.ymean, fit.ysd);
    fit.raw = 0;
    for (int i = 0; i < n; ++i) fit.raw += fit.w[i] * fit.y[i] * fit.y[i];
}

// The heteroskedasticity-consistent middle matrix, with the Newey-West terms for lags 1..L.
std::vector<Real> robust_middle(const OlsFit& fit, const std::vector<Real>& xs,
                                const std::vector<Real>& es, int lags) {
    const int n = fit.n, k = fit.k;
    std::vector<Real> m(std::size_t(k) * k, 0);
    for (int t = 0; t < n; ++t) {
        const Real e2 = es[t] * es[t];
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < k; ++b)
                m[std::size_t(a) * k + b] += e2 * xs[std::size_t(a) * n + t] * xs[std::size_t(b) * n + t];
    }
    for (int j = 1; j <= lags; ++j) {
        const Real weight = 1 - Real(j) / (lags + 1);
        for (int t = j; t < n; ++t) {
            const Real ee = weight * es[t] * es[t - j];
            for (int a = 0; a < k; ++a)
                for (int b = 0; b < k; ++b)
                    m[std::size_t(a) * k + b] +=
                        ee * (xs[std::size_t(a) * n + t] * xs[std::size_t(b) * n + t - j] +
                              xs[std::size_t(a) * n + t - j] * xs[std::size_t(b) * n + t]);
        }
    }
    return m;
}

std::vector<Real> sandwich(const std::vector<Real>& a, const std::vector<Real>& m, int k) {
    std::vector<Real> am(std::size_t(k) * k, 0), out(std::size_t(k) * k, 0);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
            for (int l = 0; l < k; ++l) am[std::size_t(i) * k + j] += a[std::size_t(i) * k + l] * m[std::size_t(l) * k + j];
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
            for (int l = 0; l < k; ++l) out[std::size_t(i) * k + j] += am[std::size_t(i) * k + l] * a[std::size_t(l) * k + j];
    return out;
}

// Values of a variable named by an option (INCOEFFI, INCOVARI): its first `count` elements, or
// false when it does not exist or is shorter.
bool given_values(Run& run, const std::string& name, long long count, std::vector<Real>& out) {
    const std::size_t end = name.find_last_not_of(' ');
    if (end == std::string::npos) return false;
    const int ref = VFIND(run, name.substr(0, end + 1));
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info) || info.length < count) return false;
    out.resize(count);
    for (long long e = 0; e < count; ++e) out[e] = element(run, info, e + 1);
    return true;
}

} // namespace

void OLSEST(Run& run, OlsFit& fit, const OlsOptions& o) {
    const bool put = run.flags.OPUT;
    // The previous estimation's results go as this one starts; the report stores the new ones.
    run.last_estimation = EstimationResults{};
    if (put) {
        write_line(run, fmt_A(fit.label, 6) + "ESTIMATION");
        write_line(run, fmt_I(fit.n, 9) + " OBSERVATIONS" + fmt_X(5) + "DEPENDENT VARIABLE= " +
                            fit.dep_name);
        if (o.RIDGE != 0) write_line(run, "  ESTIMATING RIDGE REGRESSION FOR K=" + fmt_F(o.RIDGE, 11, 8));
        write_line(run, " ...NOTE..SAMPLE RANGE SET TO:" + fmt_I(fit.beg, 7) + "," + fmt_I(fit.end, 7));
        if (o.PILAGS) write_line(run, " POLYNOMIAL INVERSE LAG");
    }
    if (o.RESTRICT && o.PILAGS) {
        report_error(run, " ...ERROR..RESTRICTIONS NOT ALLOWED WITH PILAGS", 0);
        return;
    }
    if (!load_data(run, fit)) return;
    if (fit.weight_ref != 0) load_weights(run, fit, o);
    const int n = fit.n, k = fit.k;
    fit.nobs = n;
    if (o.REPLICAT) {
        fit.nobs = 0;
        for (Real w : fit.w) fit.nobs += w;
    }

    // Dependent variable made of zeros and ones.
    bool dummy = n > 0;
    for (Real v : fit.y) dummy = dummy && (equal_values(v, 0) || equal_values(v, 1));
    if (dummy && put && run.sw[OWARN])
        write_line(run, " ...WARNING..DEPENDENT VARIABLE IS DUMMY VARIABLE ...TRY LOGIT or PROBIT");
    column_moments(fit);
    for (int j = 0; j < k; ++j)
        if (fit.terms[j].kind == TermKind::VARIABLE && fit.xsd[j] == 0 && put && run.sw[OWARN])
            write_line(run, " ...WARNING..VARIABLE " + fit.terms[j].name + " IS A CONSTANT");

    if (n < k - (o.DLRX ? 0 : lag_polynomial_restrictions(fit.terms))) {
        report_error(run, " ...ERROR..FEWER OBSERVATIONS THAN VARIABLES:" + fmt_I(n, 10),
                  ERR_TOO_FEW_OBSERVATIONS);
        return;
    }
    // Rows scaled by the square root of the absolute weight.
    // Without weights the rows are used as they are; no copy is made.
    std::vector<Real> weighted_x, weighted_y;
    if (!fit.w.empty()) {
        weighted_x = fit.x;
        weighted_y = fit.y;
        for (int i = 0; i < n; ++i) {
            const Real r = qm::sqrt(qm::abs(fit.w[i]));
            weighted_y[i] *= r;
            for (int j = 0; j < k; ++j) weighted_x[std::size_t(j) * n + i] *= r;
        }
    }
    const std::vector<Real>& xs = fit.w.empty() ? fit.x : weighted_x;
    const std::vector<Real>& ys = fit.w.empty() ? fit.y : weighted_y;
    const LsSolution sol = solve_regression(run, fit, o, xs, ys);
    if (sol.too_few) {
        report_error(run, " ...ERROR..FEWER OBSERVATIONS THAN VARIABLES:" + fmt_I(n, 10),
                  ERR_TOO_FEW_OBSERVATIONS);
        return;
    }
    if (sol.dependent_column != 0 || sol.singular || sol.coef.empty()) {
        if (o.method() != OlsMethod::HH && sol.dependent_column > 0) {
            report_error(run, std::string(" ...WARNING..THIS USUALLY INDICATES ") +
                               "PERFECT MULTICOLLINEARITY " + "WITH VARIABLE " +
                               fit.terms[sol.dependent_column - 1].name, ERR_COLLINEAR);
        } else {
            report_error(run, fmt_X(10) + " ...ERROR..SINGULAR SYSTEM. NO SOLUTION", ERR_COLLINEAR);
        }
        return;
    }
    if (o.DWPVALUE && o.method() == OlsMethod::HH && put) exact_durbin_watson(run, o, sol);
    fit.coef = sol.coef;
    fit.xtx_inv = sol.xtx_inv;
    if (o.RESTRICT && !impose_restrictions(run, fit, sol.sse)) return;
    // Given coefficients replace the estimates; residuals and SSE follow from them.
    std::vector<Real> given_cov;
    if (!name_blank(o.INCOEFFI)) {
        if (!given_values(run, o.INCOEFFI, k, fit.coef)) {
            report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + name8("INCOEFFI"), ERR_OPTION_VALUE);
            return;
        }
        if (!name_blank(o.INCOVARI) && !given_values(run, o.INCOVARI, (long long)k * k, given_cov)) {
            report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + name8("INCOVARI"), ERR_OPTION_VALUE);
            return;
        }
    }
    // Predicted values column by column, each step x*b added with one rounding.
    fit.fitted.assign(n, 0);
    fit.resid.assign(n, 0);
    for (int j = 0; j < k; ++j)
        fused_axpy(fit.fitted.data(), -fit.coef[j], fit.x.data() + std::size_t(j) * n, std::size_t(n));
    for (int i = 0; i < n; ++i) fit.resid[i] = fit.y[i] - fit.fitted[i];
    // Residuals of the weighted rows; without weights they are the residuals themselves.
    std::vector<Real> weighted_resid;
    if (!fit.w.empty()) {
        weighted_resid = fit.resid;
        for (int i = 0; i < n; ++i) weighted_resid[i] *= qm::sqrt(qm::abs(fit.w[i]));
    }
    const std::vector<Real>& es = fit.w.empty() ? fit.resid : weighted_resid;
    // 10. Residual variance.
    fit.sse = sol.sse;
    if (!name_blank(o.INCOEFFI) || fit.restrictions > 0) {
        fit.sse = 0;
        for (Real e : es) fit.sse += e * e;
    }
    fit.df = o.DN ? fit.nobs : fit.nobs - k + fit.restrictions;
    if (o.INSIG2 > 0) fit.sse = o.INSIG2 * fit.df;
    fit.sigma2 = fit.df > 0 ? fit.sse / fit.df : Real(1);
    fit.sigma = fit.df > 0 ? qm::sqrt(qm::abs(fit.sse / fit.df)) : Real(1);
    const Real scale = o.MULSIGSQ ? fit.sigma * fit.sigma : Real(1);
    fit.cov.assign(std::size_t(k) * k, 0);
    for (std::size_t e = 0; e < fit.cov.size(); ++e) fit.cov[e] = scale * fit.xtx_inv[e];
    // Hat values cost N*K*K operations: only for the diagnostics and HATDIAG that use them.
    if (o.INFLUENC || !name_blank(o.HATDIAG)) fit.hat = hat_values(fit, xs);
    // A given covariance matrix (column after column) replaces the computed one.
    if (!given_cov.empty())
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j) fit.cov[std::size_t(i) * k + j] = given_cov[std::size_t(j) * k + i];
    // 11. Robust covariance.
    if (o.HETCOV) {
        fit.cov = sandwich(fit.xtx_inv, robust_middle(fit, xs, es, std::max(o.AUTCOV, 0)), k);
        if (put) {
            write_line(run, std::string(" USING HETEROSKEDASTICITY-CONSISTENT") + " COVARIANCE MATRIX");
            if (o.AUTCOV > 0) {
                write_line(run, std::string(" AND AUTOCORRELATION-CONSISTENT MATRIX WITH") +
                                    " ORDER=" + fmt_I(o.AUTCOV, 3));
                write_line(run, " BY NEWEY-WEST CORRECTION METHOD");
            }
        }
    }
    // 12. Auxiliary R-squares.
    if (o.AUXRSQR && !o.HETCOV && put) write_auxiliary_rsquares(run, fit, xs);
    // 13, 14. Influence diagnostics.
    if (o.INFLUENC && put) write_influence(run, fit, xs, es, o.DFBETAS);
    if (o.RECURSIV) recursive_estimation(run, fit, xs, ys);
    OLSOUT(run, fit, o);
}

} // namespace tarvex
