// The augmented Dickey-Fuller regression from one exact cross-product matrix of every column the
// longest lag length uses (each shorter length picks its rows and columns out of it and is a
// small Cholesky solve), and the Phillips-Perron and KPSS statistics.
#include "regress/coint/unit_root.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/long_run_covariance.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

bool constant_series(const Real* y, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i)
        if (y[i] != y[0]) return false;
    return true;
}

// The rows and columns `idx` of a packed cross-product matrix, kept scaled as it is held.
GramMatrix sub_gram(const GramMatrix& full, const std::vector<int>& idx) {
    return full.part(idx);
}

} // namespace

int default_bandwidth(int n, bool long_lag) {
    // trunc(c (n/100)**(1/4)); the fourth root in binary128 and a nudge so that an exact
    // integer (n = 100: 4 or 12) is not lost to rounding below it.
    const Real v = (long_lag ? 12 : 4) * qm::sqrt(qm::sqrt(Real(n) / 100));
    return int(qm::floor(v * (1 + 1e-30Q)));
}

AdfFit augmented_dickey_fuller(const Real* y, std::size_t count, Deterministic det, int max_lag,
                               LagSelection select) {
    AdfFit fit;
    if (constant_series(y, count)) {
        fit.status = UnitRootStatus::constant;
        return fit;
    }
    const int ndet = det == Deterministic::TREND ? 2 : det == Deterministic::CONSTANT ? 1 : 0;
    const long long rows = (long long)count - max_lag - 1;
    const int kmax = 1 + max_lag + ndet;
    if (rows <= kmax) {
        fit.status = UnitRootStatus::too_few;
        fit.n = int(rows < 0 ? 0 : rows);
        fit.k = kmax;
        return fit;
    }
    const std::size_t n = std::size_t(rows);
    std::vector<Real> d(count - 1);
    for (std::size_t i = 0; i + 1 < count; ++i) d[i] = y[i + 1] - y[i];
    // Row i is observation t = max_lag + 2 + i (1-based): dy(t) = d[max_lag + i],
    // dy(t-j) = d[max_lag + i - j], y(t-1) = y[max_lag + i].
    std::vector<Real> trend;
    GramColumns cols;
    cols.nobs = n;
    cols.columns.push_back(y + max_lag);
    for (int j = 1; j <= max_lag; ++j) cols.columns.push_back(d.data() + max_lag - j);
    if (det == Deterministic::TREND) {
        trend.resize(n);
        for (std::size_t i = 0; i < n; ++i) trend[i] = Real(max_lag + 2 + (long long)i);
        cols.columns.push_back(trend.data());
    }
    if (ndet > 0) cols.columns.push_back(nullptr);
    cols.columns.push_back(d.data() + max_lag);
    const GramMatrix gram = exact_gram(cols);
    const int dep = kmax;
    auto columns_for = [&](int lag) {
        std::vector<int> idx{0};
        for (int j = 1; j <= lag; ++j) idx.push_back(j);
        for (int j = 0; j < ndet; ++j) idx.push_back(1 + max_lag + j);
        idx.push_back(dep);
        return idx;
    };
    int chosen = max_lag;
    if (select != LagSelection::FIXED) {
        const Real penalty = select == LagSelection::AIC ? Real(2) : qm::log(Real(n));
        // As urca's ur.df: the lengths 1 .. max_lag (0 only when max_lag is 0).
        Real best = 0;
        const int shortest = max_lag >= 1 ? 1 : 0;
        for (int lag = shortest; lag <= max_lag; ++lag) {
            const GramFit g =
                gram_cholesky_solve(sub_gram(gram, columns_for(lag)), int(n), DEPENDENCE_RATIO);
            if (!g.ok()) {
                fit.criterion.push_back(0);
                continue;
            }
            const Real c = Real(n) * qm::log(g.sse / Real(n)) + penalty * g.nregs;
            fit.criterion.push_back(c);
            if (lag == shortest || c < best) best = c, chosen = lag;
        }
    }
    const std::vector<int> idx = columns_for(chosen);
    const GramFit g = gram_cholesky_solve(sub_gram(gram, idx), int(n), DEPENDENCE_RATIO);
    fit.lag = chosen;
    fit.n = int(n);
    fit.k = int(idx.size()) - 1;
    fit.first = max_lag + 2;
    if (!g.ok()) {
        fit.status = UnitRootStatus::singular;
        fit.failed_column = g.failed_column >= 0 ? idx[g.failed_column] : 0;
        return fit;
    }
    const int k = fit.k;
    fit.coef = g.coef;
    fit.sse = g.sse;
    fit.sigma2 = g.sse / Real(fit.n - k);
    fit.cov.resize(std::size_t(k) * k);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b)
            fit.cov[std::size_t(a) * k + b] = fit.sigma2 * g.inverse_at(a, b);
    // From the scaled factor: right however far the data lie from 1, where the variances in
    // the data's units may overflow or underflow.
    for (int a = 0; a < k; ++a) {
        const Real se = g.standard_error(a, Real(fit.n - k));
        fit.se.push_back(se);
        fit.tstat.push_back(se > 0 ? fit.coef[a] / se : Real(0));
    }
    fit.tau = fit.tstat[0];
    return fit;
}

namespace {

// A series far from 1 is worked on scaled by 2^-shift (exact), which keeps the sums of its
// squared partial sums and cross products with the trend inside the binary128 range; the
// statistics do not depend on the scale, the variances are scaled back. Near 1 it is used as
// it is.
struct ScaledSeries {
    std::vector<Real> values;
    const Real* data = nullptr;
    int shift = 0;
};

constexpr int UNSCALED_EXPONENT_LIMIT = 1000;

ScaledSeries scaled_series(const Real* y, std::size_t count) {
    ScaledSeries out;
    out.data = y;
    Real largest = 0;
    for (std::size_t i = 0; i < count; ++i) largest = std::max(largest, qm::abs(y[i]));
    if (!(largest > 0) || qm::isinf(largest)) return out;
    const int exponent = ilogbq(largest);
    if (exponent > -UNSCALED_EXPONENT_LIMIT && exponent < UNSCALED_EXPONENT_LIMIT) return out;
    out.shift = exponent;
    out.values.resize(count);
    for (std::size_t i = 0; i < count; ++i) out.values[i] = scalbnq(y[i], -exponent);
    out.data = out.values.data();
    return out;
}

} // namespace

PhillipsPerronFit phillips_perron(const Real* y, std::size_t count, Deterministic det,
                                  int bandwidth) {
    const ScaledSeries scaled = scaled_series(y, count);
    if (scaled.shift != 0) {
        PhillipsPerronFit fit = phillips_perron(scaled.data, count, det, bandwidth);
        fit.short_run = scalbnq(fit.short_run, 2 * scaled.shift);
        fit.long_run = scalbnq(fit.long_run, 2 * scaled.shift);
        return fit;
    }
    PhillipsPerronFit fit;
    fit.bandwidth = bandwidth;
    if (constant_series(y, count)) {
        fit.status = UnitRootStatus::constant;
        return fit;
    }
    const bool trended = det == Deterministic::TREND;
    const int k = trended ? 3 : 2;
    if (count < 2 || (long long)count - 1 <= k) {
        fit.status = UnitRootStatus::too_few;
        fit.n = count > 0 ? int(count - 1) : 0;
        return fit;
    }
    const std::size_t n = count - 1;
    fit.n = int(n);
    const Real nr = Real(n);
    std::vector<Real> trend;
    GramColumns cols;
    cols.nobs = n;
    cols.columns.push_back(y); // y(t-1)
    if (trended) {
        trend.resize(n);
        for (std::size_t i = 0; i < n; ++i) trend[i] = Real((long long)i + 1) - nr / 2;
        cols.columns.push_back(trend.data());
    }
    cols.columns.push_back(nullptr);
    cols.columns.push_back(y + 1); // y(t)
    const GramFit g = gram_least_squares(cols, DEPENDENCE_RATIO);
    if (!g.ok()) {
        fit.status = UnitRootStatus::singular;
        return fit;
    }
    fit.alpha = g.coef[0];
    fit.alpha_se = qm::sqrt(g.sse / Real(int(n) - k) * g.inverse_at(0, 0));
    std::vector<Real> e(n);
    const Real* yt = y + 1;
    for (std::size_t i = 0; i < n; ++i) {
        Real fitted = g.coef[0] * y[i] + g.coef[k - 1];
        if (trended) fitted += g.coef[1] * trend[i];
        e[i] = yt[i] - fitted;
    }
    // The sample moments of y(t), t = 2 .. count, scaled as in Phillips and Perron (1988).
    Real sum = 0, sum_sq = 0, sum_ty = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += yt[i];
        sum_sq += yt[i] * yt[i];
        sum_ty += Real((long long)i + 1) * yt[i];
    }
    const Real mean = sum / nr;
    Real dev = 0;
    for (std::size_t i = 0; i < n; ++i) dev += (yt[i] - mean) * (yt[i] - mean);
    const Real n2 = nr * nr;
    const Real myybar = dev / n2, myy = sum_sq / n2;
    const Real my = sum / (nr * qm::sqrt(nr)), mty = sum_ty / (n2 * qm::sqrt(nr));
    Real ss = 0;
    for (Real v : e) ss += v * v;
    fit.short_run = ss / nr;
    fit.long_run = long_run_variance(e, bandwidth);
    const Real s = fit.short_run, sig = fit.long_run;
    const Real lambda = (sig - s) / 2;
    const Real t_alpha = (fit.alpha - 1) / fit.alpha_se;
    const Real m = trended ? (1 - 1 / n2) * myy - 12 * mty * mty + 12 * (1 + 1 / nr) * mty * my -
                                 (4 + 6 / nr + 2 / n2) * my * my
                           : myybar;
    fit.z_tau = qm::sqrt(s / sig) * t_alpha - lambda / sig * qm::sqrt(sig) / qm::sqrt(m);
    fit.z_alpha = nr * (fit.alpha - 1) - lambda / m;
    return fit;
}

KpssFit kpss_statistic(const Real* y, std::size_t count, Deterministic det, int bandwidth) {
    const ScaledSeries scaled = scaled_series(y, count);
    if (scaled.shift != 0) {
        KpssFit fit = kpss_statistic(scaled.data, count, det, bandwidth);
        fit.long_run = scalbnq(fit.long_run, 2 * scaled.shift);
        return fit;
    }
    KpssFit fit;
    fit.bandwidth = bandwidth;
    if (constant_series(y, count)) {
        fit.status = UnitRootStatus::constant;
        return fit;
    }
    const int k = det == Deterministic::TREND ? 2 : 1;
    if ((long long)count <= k + 1) {
        fit.status = UnitRootStatus::too_few;
        fit.n = int(count);
        return fit;
    }
    const std::size_t n = count;
    fit.n = int(n);
    std::vector<Real> e(n);
    if (det == Deterministic::TREND) {
        std::vector<Real> trend(n);
        for (std::size_t i = 0; i < n; ++i) trend[i] = Real((long long)i + 1);
        GramColumns cols;
        cols.nobs = n;
        cols.columns = {trend.data(), nullptr, y};
        const GramFit g = gram_least_squares(cols, DEPENDENCE_RATIO);
        if (!g.ok()) {
            fit.status = UnitRootStatus::singular;
            return fit;
        }
        for (std::size_t i = 0; i < n; ++i) e[i] = y[i] - (g.coef[0] * trend[i] + g.coef[1]);
    } else {
        Real sum = 0;
        for (std::size_t i = 0; i < n; ++i) sum += y[i];
        const Real mean = sum / Real(n);
        for (std::size_t i = 0; i < n; ++i) e[i] = y[i] - mean;
    }
    Real partial = 0, ss = 0;
    for (Real v : e) {
        partial += v;
        ss += partial * partial;
    }
    fit.long_run = long_run_variance(e, bandwidth);
    fit.eta = ss / (Real(n) * Real(n)) / fit.long_run;
    return fit;
}

} // namespace tarvex
