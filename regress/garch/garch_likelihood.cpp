// The GARCH likelihood pass: residuals, the presample variance, the variance recursion with its
// derivatives, and the log-likelihood of each row under the normal or the scaled t law.
#include "regress/garch/garch_likelihood.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

const Real GARCH_LOG_2PI = 1.8378770664093454835606594728112353Q;
const Real GARCH_LOG_PI = 1.1447298858494001741434273513530587Q;
const Real GARCH_LOG_2 = 0.6931471805599453094172321214581766Q;

// log(v_1 v_2 ... v_n) from a running product, renormalised every block of factors so that it
// stays in range: one logarithm at the end instead of one per factor.
class LogOfProduct {
public:
    void times(Real v) {
        product_ *= v;
        if (++pending_ == 64) renormalise();
    }
    Real value() {
        renormalise();
        return qm::log(product_) + Real(exponent_) * GARCH_LOG_2;
    }

private:
    void renormalise() {
        int e = 0;
        product_ = frexpq(product_, &e);
        exponent_ += e;
        pending_ = 0;
    }
    Real product_ = 1;
    long long exponent_ = 0;
    int pending_ = 0;
};

bool garch_inside(const GarchOrders& s, const std::vector<Real>& th) {
    if (!(th[std::size_t(s.omega_index())] > 0)) return false;
    for (int i = 0; i < s.arch; ++i)
        if (!(th[std::size_t(s.alpha_index(i))] >= 0)) return false;
    for (int j = 0; j < s.garch; ++j)
        if (!(th[std::size_t(s.beta_index(j))] >= 0)) return false;
    return !s.student || th[std::size_t(s.df_index())] > 2;
}

} // namespace

Real digamma(Real x) {
    Real shift = 0;
    while (x < 40) {
        shift -= 1 / x;
        x += 1;
    }
    // The asymptotic series with the Bernoulli numbers B_2k / (2k): enough terms for x >= 40.
    static const Real B[] = {1.0Q / 12,         -1.0Q / 120,     1.0Q / 252,
                             -1.0Q / 240,       1.0Q / 132,      -691.0Q / 32760,
                             1.0Q / 12,         -3617.0Q / 8160, 43867.0Q / 14364,
                             -174611.0Q / 6600, 77683.0Q / 276,  -236364091.0Q / 65520};
    const Real inv2 = 1 / (x * x);
    Real term = inv2, series = 0;
    for (Real b : B) {
        series += b * term;
        term *= inv2;
    }
    return shift + qm::log(x) - 1 / (2 * x) - series;
}

bool garch_pass(const GarchDesign& d, const GarchOrders& s, const std::vector<Real>& th,
                const GarchPassNeeds& needs, GarchPass& out) {
    out = GarchPass{};
    if (!garch_inside(s, th)) return false;
    const int n = d.rows(), km = s.mean_count(), k = s.parameter_count();
    const int q = s.arch, p = s.garch;
    const bool deriv = needs.gradient || needs.opg;
    std::vector<Real> e(std::size_t(n), Real(0));
    Real sum2 = 0;
    std::vector<Real> dsum2(std::size_t(km), Real(0));
    for (int t = 0; t < n; ++t) {
        Real fit = 0;
        for (int m = 0; m < km; ++m)
            fit += th[std::size_t(m)] * d.columns[std::size_t(m)][std::size_t(t)];
        const Real et = d.y[std::size_t(t)] - fit;
        e[std::size_t(t)] = et;
        sum2 += et * et;
        if (deriv)
            for (int m = 0; m < km; ++m)
                dsum2[std::size_t(m)] -= 2 * et * d.columns[std::size_t(m)][std::size_t(t)];
    }
    const Real h0 = sum2 / Real(n);
    out.h0 = h0;
    if (!(h0 > 0) || qm::isinf(h0)) {
        out.failed_row = 0;
        return false;
    }
    const Real omega = th[std::size_t(s.omega_index())];
    const Real nu = s.student ? th[std::size_t(s.df_index())] : Real(0);
    const Real c = nu - 2;
    std::vector<Real> h(std::size_t(n), Real(0));
    // The derivatives of h_t for the last p rows (ring) and of h_0, each K long.
    std::vector<Real> dh0(std::size_t(k), Real(0));
    for (int m = 0; m < km; ++m) dh0[std::size_t(m)] = dsum2[std::size_t(m)] / Real(n);
    const int ring = p > 0 ? p : 1;
    std::vector<std::vector<Real>> dh_ring(std::size_t(ring),
                                           std::vector<Real>(std::size_t(k), Real(0)));
    std::vector<Real> dh(static_cast<std::size_t>(k)), score(static_cast<std::size_t>(k));
    if (needs.gradient) out.gradient.assign(std::size_t(k), Real(0));
    if (needs.opg) out.opg.assign(std::size_t(k) * std::size_t(k), Real(0));
    LogOfProduct log_h, log_kernel;
    Real quad = 0;    // sum of e_t**2 / h_t (normal law)
    Real dnu_sum = 0; // the t law: sum over rows of the nu-derivative's row part
    for (int t = 0; t < n; ++t) {
        Real ht = omega;
        if (deriv) {
            std::fill(dh.begin(), dh.end(), Real(0));
            dh[std::size_t(s.omega_index())] = 1;
        }
        for (int i = 0; i < q; ++i) {
            const int u = t - 1 - i;
            const Real a = th[std::size_t(s.alpha_index(i))];
            const Real e2 = u >= 0 ? e[std::size_t(u)] * e[std::size_t(u)] : h0;
            ht += a * e2;
            if (!deriv) continue;
            dh[std::size_t(s.alpha_index(i))] += e2;
            if (u >= 0)
                for (int m = 0; m < km; ++m)
                    dh[std::size_t(m)] -=
                        2 * a * e[std::size_t(u)] * d.columns[std::size_t(m)][std::size_t(u)];
            else
                for (int m = 0; m < km; ++m) dh[std::size_t(m)] += a * dh0[std::size_t(m)];
        }
        for (int j = 0; j < p; ++j) {
            const int u = t - 1 - j;
            const Real b = th[std::size_t(s.beta_index(j))];
            const Real hu = u >= 0 ? h[std::size_t(u)] : h0;
            ht += b * hu;
            if (!deriv) continue;
            dh[std::size_t(s.beta_index(j))] += hu;
            const std::vector<Real>& dhu = u >= 0 ? dh_ring[std::size_t(u % ring)] : dh0;
            for (int m = 0; m < k; ++m) dh[std::size_t(m)] += b * dhu[std::size_t(m)];
        }
        if (!(ht > 0) || qm::isinf(ht)) {
            out.failed_row = t;
            return false;
        }
        h[std::size_t(t)] = ht;
        log_h.times(ht);
        const Real et = e[std::size_t(t)];
        const Real r2 = et * et / ht;
        Real dl_dh, dl_de, dl_dnu = 0;
        if (s.student) {
            const Real z = r2 / c;
            log_kernel.times(1 + z);
            const Real w = (nu + 1) / (1 + z); // the weight of the row's squared residual
            dl_dh = (w * z - 1) / (2 * ht);
            dl_de = -w * et / (c * ht);
            dl_dnu = w * z / (2 * c);
            dnu_sum += dl_dnu;
        } else {
            quad += r2;
            dl_dh = (r2 - 1) / (2 * ht);
            dl_de = -et / ht;
        }
        if (!deriv) continue;
        for (int m = 0; m < k; ++m) score[std::size_t(m)] = dl_dh * dh[std::size_t(m)];
        for (int m = 0; m < km; ++m)
            score[std::size_t(m)] -= dl_de * d.columns[std::size_t(m)][std::size_t(t)];
        if (s.student) score[std::size_t(s.df_index())] = dl_dnu; // completed below for the OPG
        if (p > 0) dh_ring[std::size_t(t % ring)] = dh;
        if (needs.gradient)
            for (int m = 0; m < k; ++m) out.gradient[std::size_t(m)] += score[std::size_t(m)];
        if (needs.opg) {
            if (s.student) {
                // The row's own part of d log f / d nu (the constant's derivative per row, and
                // the log kernel's, which the sum takes once at the end).
                const Real z = r2 / c;
                score[std::size_t(s.df_index())] += (digamma((nu + 1) / 2) - digamma(nu / 2)) / 2 -
                                                    1 / (2 * c) - qm::log(1 + z) / 2;
            }
            for (int a = 0; a < k; ++a)
                for (int b = 0; b <= a; ++b)
                    out.opg[std::size_t(a) * k + b] +=
                        score[std::size_t(a)] * score[std::size_t(b)];
        }
    }
    const Real N = Real(n);
    const Real sum_log_h = log_h.value();
    if (s.student) {
        const Real sum_log_kernel = log_kernel.value();
        const Real constant =
            qm::lgamma((nu + 1) / 2) - qm::lgamma(nu / 2) - (GARCH_LOG_PI + qm::log(c)) / 2;
        out.llf = N * constant - sum_log_h / 2 - (nu + 1) / 2 * sum_log_kernel;
        if (needs.gradient)
            out.gradient[std::size_t(s.df_index())] =
                N * ((digamma((nu + 1) / 2) - digamma(nu / 2)) / 2 - 1 / (2 * c)) -
                sum_log_kernel / 2 + dnu_sum;
    } else {
        out.llf = -(N * GARCH_LOG_2PI + sum_log_h + quad) / 2;
    }
    if (needs.opg)
        for (int a = 0; a < k; ++a)
            for (int b = 0; b < a; ++b)
                out.opg[std::size_t(b) * k + a] = out.opg[std::size_t(a) * k + b];
    if (needs.series) {
        out.resid = std::move(e);
        out.variance = std::move(h);
    }
    out.ok = true;
    return true;
}

GarchDesign garch_design(const std::vector<Real>& y, const std::vector<std::vector<Real>>& x,
                         const GarchOrders& s) {
    GarchDesign d;
    const int n = int(y.size());
    d.y.assign(y.begin() + s.ar, y.end());
    for (const std::vector<Real>& c : x) d.columns.emplace_back(c.begin() + s.ar, c.end());
    for (int i = 1; i <= s.ar; ++i) d.columns.emplace_back(y.begin() + s.ar - i, y.begin() + n - i);
    if (s.constant) d.columns.emplace_back(std::size_t(n - s.ar), Real(1));
    return d;
}

} // namespace tarvex
