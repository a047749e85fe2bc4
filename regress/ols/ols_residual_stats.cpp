// Residual statistics of a fit, from their published definitions: Durbin-Watson d and the von
// Neumann ratio d*N/(N-1), first-order autocorrelation, the Wald-Wolfowitz runs test, Durbin's h,
// skewness and excess kurtosis with standard errors sqrt(6/N) and sqrt(24/N), Jarque-Bera, and
// the Hall-Pagan LM test N*R**2 of the squared residuals on the regressors. The sums over the
// residuals are exact and rounded once: on a million observations the statistics keep every digit.
#include "regress/ols/ols_residual_stats.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"
#include "numeric/real_order.hpp"
#include "numeric/row_split.hpp"
#include "numeric/scaled_ratio.hpp"
#include "parallel/rank_exchange.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/normal_class_table.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tarvex {

namespace {

constexpr int GF_MIN_GROUPS = 3;
constexpr int GF_MAX_GROUPS = 20;
constexpr int GF_OBS_PER_GROUP = 5;

} // namespace

void CorrelationSums::add(const Real* va, const Real* vb, std::size_t count) {
    this->a.add_values(va, count);
    this->b.add_values(vb, count);
    aa.add_products(va, va, count);
    bb.add_products(vb, vb, count);
    ab.add_products(va, vb, count);
}

Real CorrelationSums::squared_correlation(std::size_t n) const {
    if (n == 0) return 0;
    // The deviations about the means exact.
    const Real ma = a.result() / n;
    const Real mb = b.result() / n;
    const Real saa = exact_centred_from_sums(aa, a, a, n, ma, ma);
    const Real sbb = exact_centred_from_sums(bb, b, b, n, mb, mb);
    if (saa == 0 || sbb == 0) return 0;
    const Real sab = exact_centred_from_sums(ab, a, b, n, ma, mb);
    return squared_ratio(sab, saa, sbb);
}

Real squared_correlation(const std::vector<Real>& a, const std::vector<Real>& b) {
    const std::size_t n = a.size();
    if (n == 0) return 0;
    // The five sums in one pass, shared among threads and merged exactly.
    enum { A, B, AA, BB, AB, SUMS };
    auto sums = std::make_unique<ExactSums<SUMS>>();
    split_accumulate(n, *sums, [&](ExactSums<SUMS>& s, std::size_t begin, std::size_t end) {
        const std::size_t count = end - begin;
        s[A].add_values(a.data() + begin, count);
        s[B].add_values(b.data() + begin, count);
        s[AA].add_products(a.data() + begin, a.data() + begin, count);
        s[BB].add_products(b.data() + begin, b.data() + begin, count);
        s[AB].add_products(a.data() + begin, b.data() + begin, count);
    });
    const ExactSums<SUMS>& s = *sums;
    CorrelationSums c{s[A], s[B], s[AA], s[BB], s[AB]};
    return c.squared_correlation(n);
}

namespace {

// The sign of a value from its bits: 1, -1, or 0 for zeros (and NaNs, which are neither).
int sign_of(Real v) {
    unsigned __int128 bits;
    std::memcpy(&bits, &v, sizeof bits);
    const unsigned __int128 magnitude = bits & ~(static_cast<unsigned __int128>(1) << 127);
    if (magnitude == 0 || magnitude > static_cast<unsigned __int128>(0x7fff) << 112) return 0;
    return (bits >> 127) != 0 ? -1 : 1;
}

} // namespace

void RunsCounter::add(Real v) {
    const int sign = sign_of(v);
    if (sign > 0) ++pos;
    if (sign < 0) ++neg;
    if (sign == 0) {
        ++zero;
        return;
    }
    if (sign != last) ++runs;
    if (last == 0) first = sign;
    last = sign;
}

void RunsCounter::add_following(const RunsCounter& later) {
    runs += later.runs;
    pos += later.pos;
    zero += later.zero;
    neg += later.neg;
    if (later.first != 0 && later.first == last) --runs; // the run goes on across the join
    if (first == 0) first = later.first;
    if (later.last != 0) last = later.last;
}

void RunsCounter::finish(ResidualStats& s) const {
    s.runs = runs;
    s.pos = pos;
    s.zero = zero;
    s.neg = neg;
    const Real n1 = s.pos, n2 = s.neg, n = n1 + n2;
    if (n1 > 0 && n2 > 0 && n > 1) {
        const Real mean = 2 * n1 * n2 / n + 1;
        const Real var = 2 * n1 * n2 * (2 * n1 * n2 - n) / (n * n * (n - 1));
        if (var > 0) s.runs_z = (s.runs - mean) / qm::sqrt(var);
    }
}

void add_hall_pagan(const OlsFit& fit, ResidualStats& s) {
    const int n = fit.n;
    std::vector<Real> x, e2(n);
    int cols = 0;
    for (int j = 0; j < fit.k; ++j) {
        if (fit.terms[j].kind == TermKind::INTERCEPT) continue;
        x.insert(x.end(), fit.x.begin() + std::size_t(j) * n,
                 fit.x.begin() + std::size_t(j + 1) * n);
        ++cols;
    }
    if (cols == 0 || n <= cols + 1) return;
    x.insert(x.end(), std::size_t(n), Real(1));
    for (int i = 0; i < n; ++i) e2[i] = fit.resid[i] * fit.resid[i];
    const LsSolution sol = solve_least_squares(OlsMethod::GS, x, e2, n, cols + 1, 0);
    if (sol.dependent_column != 0 || sol.coef.empty()) return;
    Real mean = 0, sst = 0;
    for (Real v : e2) mean += v;
    mean /= n;
    for (Real v : e2) sst += (v - mean) * (v - mean);
    if (sst <= 0) return;
    s.hp_available = true;
    s.hp_df = cols;
    s.hp_chi = std::max(Real(0), n * (1 - sol.sse / sst)); // rounding may leave a tiny negative
    s.hp_p = chi2_tail(s.hp_chi, cols);
}

void set_serial_stats(ResidualStats& s, int n, Real df, Real sse, const ResidualTotals& t,
                      const RunsCounter& runs) {
    s.sum = t.sum;
    s.abs_sum = t.abs_sum;
    if (t.squares > 0) {
        s.dw = t.differences / t.squares;
        s.rho = t.lag / t.squares;
    }
    s.von_neumann = n > 1 ? s.dw * n / (n - 1) : Real(0);
    s.variance = df > 0 ? sse / df : Real(0);
    s.r2op = t.r2op;
    runs.finish(s);
}

ResidualStats residual_stats(const OlsFit& fit, bool heteroskedasticity) {
    ResidualStats s;
    const std::vector<Real>& e = fit.resid;
    const int n = fit.n;
    if (n == 0) return s;
    // Every sum over the residuals is exact, rounded once.
    const Real* ep = e.data();
    const std::size_t count = e.size();
    ResidualTotals totals;
    totals.squares = exact_sum_of_squares(ep, count);
    totals.sum = exact_sum(ep, count);
    totals.abs_sum = exact_abs_sum(ep, count);
    totals.differences = exact_squared_differences(ep, count);
    totals.lag = exact_lag_products(ep, count);
    totals.r2op = squared_correlation(fit.y, fit.fitted);
    RunsCounter runs;
    for (Real v : e) runs.add(v);
    set_serial_stats(s, n, fit.df, fit.sse, totals, runs);
    if (fit.log_dependent) {
        std::vector<Real> ya(n), pa(n);
        for (int t = 0; t < n; ++t) ya[t] = qm::exp(fit.y[t]), pa[t] = qm::exp(fit.fitted[t]);
        s.r2op_antilog = squared_correlation(ya, pa);
    }
    if (fit.lagged_dependent >= 0 && !fit.cov.empty()) {
        const int j = fit.lagged_dependent;
        const Real term = 1 - n * fit.cov[std::size_t(j) * fit.k + j];
        if (term > 0) {
            s.durh_available = true;
            s.durh = s.rho * qm::sqrt(n / term);
        }
    }
    // Moments about the mean of the residuals: the deviations are rounded, their products exact.
    const Real mean = s.sum / n;
    enum { THIRD, FOURTH, MOMENTS };
    auto moments = std::make_unique<ExactSums<MOMENTS>>();
    split_accumulate(count, *moments,
                     [ep, mean](ExactSums<MOMENTS>& m, std::size_t begin, std::size_t end) {
                         for (std::size_t t = begin; t < end; ++t) {
                             const Real d = ep[t] - mean;
                             const Real d2 = d * d;
                             m[THIRD].add_product(d2, d);
                             m[FOURTH].add_product(d2, d2);
                         }
                     });
    const ExactAccumulator& third = (*moments)[THIRD];
    const ExactAccumulator& fourth = (*moments)[FOURTH];
    const Real m2 = exact_centred_squares(ep, count, mean) / n;
    set_normality_tests(s, n, m2, third.result() / n, fourth.result() / n);
    if (heteroskedasticity) add_hall_pagan(fit, s);
    return s;
}

namespace {

// The key a value is placed by: zeros of either sign as +0 (a NaN, greater than nothing, falls in
// the first group, as z > b would have it).
OrderKey class_key(Real v) {
    return order_key(equal_values(v, 0) ? Real(0) : v);
}

} // namespace

NormalClassCounts::NormalClassCounts(int n)
    : n_(n), groups_(std::clamp(n / GF_OBS_PER_GROUP, GF_MIN_GROUPS, GF_MAX_GROUPS)),
      bounds_(static_cast<std::size_t>(groups_ - 1)),
      counts_(static_cast<std::size_t>(groups_), 0) {
    // The group boundaries as order keys, so that placing a residual compares integers. The
    // quantiles are tabulated for the numbers of groups used; computing them would cost a short
    // regression most of its time.
    const bool tabulated =
        groups_ >= normal_class_table::FIRST && groups_ <= normal_class_table::LAST;
    for (int g = 1; g < groups_; ++g)
        bounds_[g - 1] = class_key(
            tabulated ? normal_class_table::BOUNDS[normal_class_table::offset(groups_) + g - 1]
                      : normal_quantile(Real(g) / groups_));
}

void NormalClassCounts::add(const Real* resid, std::size_t count, Real sigma) {
    // Long stretches are counted in two halves on two threads.
    std::vector<long long> lower(static_cast<std::size_t>(groups_), 0), upper(lower);
    split_rows(count, [&](std::size_t begin, std::size_t end) {
        std::vector<long long>& counts = begin == 0 ? lower : upper;
        for (std::size_t i = begin; i < end; ++i) {
            const Real ratio = sigma != 0 ? resid[i] / sigma : Real(0);
            const OrderKey z = class_key(ratio);
            int g = 0;
            if (!isnanq(ratio))
                while (g < groups_ - 1 && z > bounds_[g]) ++g;
            ++counts[g];
        }
    });
    for (int g = 0; g < groups_; ++g) counts_[g] += lower[g] + upper[g];
}

void NormalClassCounts::add_over_ranks() {
    parallel::sum_over_ranks(counts_.data(), counts_.size());
}

void NormalClassCounts::finish(ResidualStats& s) const {
    s.gf_observed.assign(static_cast<std::size_t>(groups_), 0);
    for (int g = 0; g < groups_; ++g) s.gf_observed[g] = Real(counts_[g]);
    s.gf_expected.assign(static_cast<std::size_t>(groups_), Real(n_) / groups_);
}

void add_goodness_of_fit(const OlsFit& fit, ResidualStats& s) {
    NormalClassCounts counts(fit.n);
    counts.add(fit.resid.data(), fit.resid.size(), fit.sigma);
    counts.finish(s);
}

void set_normality_tests(ResidualStats& s, Real n, Real m2, Real m3, Real m4) {
    if (m2 > 0) {
        s.skew = m3 / (m2 * qm::sqrt(m2));
        s.kurt = m4 / (m2 * m2) - 3;
    }
    s.skew_se = qm::sqrt(Real(6) / n);
    s.kurt_se = qm::sqrt(Real(24) / n);
    s.jb = n * (s.skew * s.skew / 6 + s.kurt * s.kurt / 24);
    s.jb_p = chi2_tail(s.jb, 2);
}

} // namespace tarvex
