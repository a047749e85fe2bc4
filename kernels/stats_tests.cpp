// The tests of STATS across its variables. Every p-value comes from the shared distribution
// functions; sums are compensated and deviations taken from exact two-pass means.
#include "kernels/stats_tests.hpp"

#include "kernels/stats_moments.hpp"
#include "kernels/stats_order.hpp"
#include "numeric/distributions.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Relative margin of the sample-size estimate and the confidence of its interval.
const Real SAMPLE_SIZE_MARGIN = 0.05Q;
const Real SAMPLE_SIZE_TAIL = 0.025Q; // each tail of a 95% interval

Real mean_of(const std::vector<Real>& x) {
    CompensatedSum s;
    for (Real v : x) s.add(v);
    return x.empty() ? Real(0) : s.value() / Real(x.size());
}

// Sum of squared deviations from `m`.
Real squares_about(const std::vector<Real>& x, Real m) {
    CompensatedSum s;
    for (Real v : x) s.add((v - m) * (v - m));
    return s.value();
}

Real grand_mean(const Groups& groups, long long& n) {
    CompensatedSum s;
    n = 0;
    for (const auto& g : groups)
        for (Real v : g) {
            s.add(v);
            ++n;
        }
    return n > 0 ? s.value() / Real(n) : Real(0);
}

void finish(AnovaRow& row) {
    row.ms = row.df > 0 ? row.ss / row.df : Real(0);
}

void f_test(AnovaRow& effect, const AnovaRow& error) {
    if (error.ms > 0) {
        effect.f = effect.ms / error.ms;
        effect.p = dist::f_upper(effect.f, effect.df, error.df);
        effect.tested = effect.df > 0;
    }
}

Real variance_of(const std::vector<Real>& x) {
    return squares_about(x, mean_of(x)) / Real(x.size() - 1);
}

// A needed sample size as a count; sizes beyond any report field are held at its limit.
long long count_of(Real n) {
    const Real limit = 1e15Q;
    return (long long)ceilq(n < limit ? n : limit);
}

Real t_two_sided(Real t, Real df) {
    return 2 * dist::student_t_upper(fabsq(t), df);
}

} // namespace

OneWayAnova one_way_anova(const Groups& groups) {
    OneWayAnova a;
    long long n = 0;
    a.mean = grand_mean(groups, n);
    CompensatedSum between, within, total;
    long long k = 0;
    for (const auto& g : groups) {
        if (g.empty()) continue;
        ++k;
        const Real m = mean_of(g);
        between.add(Real(g.size()) * (m - a.mean) * (m - a.mean));
        within.add(squares_about(g, m));
        total.add(squares_about(g, a.mean));
    }
    a.between.ss = between.value();
    a.within.ss = within.value();
    a.total.ss = total.value();
    a.between.df = Real(k - 1);
    a.within.df = Real(n - k);
    a.total.df = Real(n - 1);
    finish(a.between);
    finish(a.within);
    finish(a.total);
    f_test(a.between, a.within);
    return a;
}

TwoWayAnova two_way_anova(const Groups& groups) {
    TwoWayAnova a;
    const std::size_t k = groups.size();
    const std::size_t b = k ? groups[0].size() : 0;
    long long n = 0;
    a.mean = grand_mean(groups, n);
    std::vector<Real> group_mean(k), block_mean(b);
    for (std::size_t j = 0; j < k; ++j) group_mean[j] = mean_of(groups[j]);
    for (std::size_t i = 0; i < b; ++i) {
        CompensatedSum s;
        for (std::size_t j = 0; j < k; ++j) s.add(groups[j][i]);
        block_mean[i] = s.value() / Real(k);
    }
    CompensatedSum sg, sb, se, st;
    for (std::size_t j = 0; j < k; ++j)
        sg.add(Real(b) * (group_mean[j] - a.mean) * (group_mean[j] - a.mean));
    for (std::size_t i = 0; i < b; ++i)
        sb.add(Real(k) * (block_mean[i] - a.mean) * (block_mean[i] - a.mean));
    for (std::size_t j = 0; j < k; ++j)
        for (std::size_t i = 0; i < b; ++i) {
            const Real x = groups[j][i];
            const Real e = x - group_mean[j] - block_mean[i] + a.mean;
            se.add(e * e);
            st.add((x - a.mean) * (x - a.mean));
        }
    a.groups.ss = sg.value();
    a.blocks.ss = sb.value();
    a.error.ss = se.value();
    a.total.ss = st.value();
    a.groups.df = Real(k) - 1;
    a.blocks.df = Real(b) - 1;
    a.error.df = (Real(k) - 1) * (Real(b) - 1);
    a.total.df = Real(k * b) - 1;
    for (AnovaRow* r : {&a.groups, &a.blocks, &a.error, &a.total}) finish(*r);
    f_test(a.groups, a.error);
    f_test(a.blocks, a.error);
    return a;
}

BartlettTest bartlett_test(const Groups& groups) {
    BartlettTest t;
    const int k = (int)groups.size();
    t.df = k - 1;
    if (k < 2) return t;
    long long n = 0;
    CompensatedSum pooled, logs, inverses;
    for (const auto& g : groups) {
        if (g.size() < 2) return t;
        const Real s2 = variance_of(g);
        if (s2 <= 0) return t;
        const Real f = Real(g.size() - 1);
        n += (long long)g.size();
        pooled.add(f * s2);
        logs.add(f * logq(s2));
        inverses.add(1 / f);
    }
    const Real fe = Real(n - k);
    t.pooled = pooled.value() / fe;
    t.numerator = fe * logq(t.pooled) - logs.value();
    t.sum_inverse = inverses.value();
    t.inverse = 1 / fe;
    const Real c = 1 + (t.sum_inverse - t.inverse) / (3 * Real(k - 1));
    t.statistic = t.numerator / c;
    t.p = dist::chi_square_upper(t.statistic, Real(t.df));
    t.valid = true;
    return t;
}

TwoSampleTests two_sample_tests(const std::vector<Real>& a, const std::vector<Real>& b) {
    TwoSampleTests r;
    if (a.size() < 2 || b.size() < 2) return r;
    const Real n1 = Real(a.size()), n2 = Real(b.size());
    const Real d = mean_of(a) - mean_of(b);
    const Real v1 = variance_of(a), v2 = variance_of(b);
    const Real q1 = v1 / n1, q2 = v2 / n2;
    if (q1 + q2 <= 0 || v2 <= 0) return r;
    r.welch_t = d / qm::sqrt(q1 + q2);
    const Real df = (q1 + q2) * (q1 + q2) / (q1 * q1 / (n1 - 1) + q2 * q2 / (n2 - 1));
    r.welch_df = std::max(1LL, (long long)floorq(df));
    r.welch_p = t_two_sided(r.welch_t, df);
    r.pooled_df = (long long)(a.size() + b.size() - 2);
    const Real sp2 = ((n1 - 1) * v1 + (n2 - 1) * v2) / Real(r.pooled_df);
    r.pooled_t = d / qm::sqrt(sp2 * (1 / n1 + 1 / n2));
    r.pooled_p = t_two_sided(r.pooled_t, Real(r.pooled_df));
    r.f = v1 / v2;
    r.f_df1 = (long long)a.size() - 1;
    r.f_df2 = (long long)b.size() - 1;
    const Real upper = dist::f_upper(r.f, Real(r.f_df1), Real(r.f_df2));
    const Real lower = dist::f_lower(r.f, Real(r.f_df1), Real(r.f_df2));
    r.f_p = std::min(Real(1), 2 * std::min(upper, lower));
    r.valid = true;
    return r;
}

KruskalWallis kruskal_wallis(const Groups& groups) {
    KruskalWallis kw;
    std::vector<Real> pooled;
    int k = 0;
    for (const auto& g : groups) {
        if (g.empty()) continue;
        ++k;
        pooled.insert(pooled.end(), g.begin(), g.end());
    }
    kw.df = k - 1;
    const Real n = Real(pooled.size());
    if (k < 2 || pooled.size() < 2) return kw;
    const std::vector<Real> ranks = average_ranks(pooled);
    CompensatedSum s;
    std::size_t at = 0;
    for (const auto& g : groups) {
        if (g.empty()) continue;
        CompensatedSum r;
        for (std::size_t i = 0; i < g.size(); ++i) r.add(ranks[at + i]);
        at += g.size();
        s.add(r.value() * r.value() / Real(g.size()));
    }
    Real h = 12 / (n * (n + 1)) * s.value() - 3 * (n + 1);
    const Real correction = 1 - tie_sum(pooled) / (n * n * n - n);
    if (correction <= 0) return kw;
    h /= correction;
    kw.h = h;
    kw.p = dist::chi_square_upper(h, Real(kw.df));
    kw.valid = true;
    return kw;
}

Real mann_whitney_u(const std::vector<Real>& a, const std::vector<Real>& b) {
    std::vector<Real> pooled = a;
    pooled.insert(pooled.end(), b.begin(), b.end());
    const std::vector<Real> ranks = average_ranks(pooled);
    CompensatedSum r1;
    for (std::size_t i = 0; i < a.size(); ++i) r1.add(ranks[i]);
    const Real n1 = Real(a.size()), n2 = Real(b.size());
    const Real u1 = r1.value() - n1 * (n1 + 1) / 2;
    return std::min(u1, n1 * n2 - u1);
}

Real binomial_half_lower(long long k, long long n) {
    if (k < 0) return 0;
    if (k >= n) return 1;
    // P(X <= k) = I_{1/2}(n-k, k+1), the F distribution's lower tail at (k+1)/(n-k).
    return dist::f_lower(Real(k + 1) / Real(n - k), Real(2 * (n - k)), Real(2 * (k + 1)));
}

SignTest sign_test(const std::vector<Real>& differences) {
    SignTest s;
    for (Real d : differences) {
        if (d < 0)
            ++s.negative;
        else if (d > 0)
            ++s.positive;
        else
            ++s.zero;
    }
    const long long n = s.negative + s.positive;
    const long long fewer = std::min(s.negative, s.positive);
    s.one_sided = n > 0 ? binomial_half_lower(fewer, n) : Real(1);
    s.two_sided = std::min(Real(1), 2 * s.one_sided);
    return s;
}

SampleSize sample_size(Real mean, Real stdev, long long population) {
    SampleSize s;
    s.margin = SAMPLE_SIZE_MARGIN * fabsq(mean);
    if (s.margin <= 0) return s;
    const Real z = dist::normal_upper_quantile(SAMPLE_SIZE_TAIL);
    const Real n0 = (z * stdev / s.margin) * (z * stdev / s.margin);
    s.with_replacement = count_of(n0);
    if (population > 0) {
        const Real np = Real(population);
        s.without_replacement = count_of(n0 * np / (n0 + np - 1));
    } else {
        s.without_replacement = s.with_replacement;
    }
    return s;
}

} // namespace tarvex
