// The pooled, within and random-effects estimators of a panel and their tests.
#include "regress/pool/pool_estimate.hpp"

#include "core/result_scalars.hpp"
#include "expr/matrix_algebra.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/sandwich_covariance.hpp"
#include "kernels/value_range.hpp"
#include "numeric/distributions.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "numeric/scaled_ratio.hpp"
#include "numeric/unpacked_arith.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/forecast_parts.hpp"
#include "regress/pool/pool_deviations.hpp"
#include "regress/pool/pool_period.hpp"

#include "kernels/row_threads.hpp"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace tarvex {

namespace {

const Real LOG_TWO_PI = 1.8378770664093454835606594728112353Q;

using Columns = std::vector<const Real*>; // a null column is the constant one

// Calls work(j) for each of `count` columns whose work is independent of the others', the
// columns shared between two threads on a long panel (the bits do not depend on the split).
template <class Work>
void each_column(std::size_t count, std::size_t n, Work&& work) {
    const std::size_t shares = n >= SPLIT_MIN_ROWS && count > 1 && two_threads_available() ? 2 : 1;
    run_row_shares(count, shares, [&](std::size_t, std::size_t first, std::size_t last) {
        for (std::size_t j = first; j < last; ++j) work(j);
    });
}

// Whether a fit forms its residuals: the fits whose sum of squares or covariance is all that is
// read (the pooled fit of an F test) skip that pass over the rows.
enum class Residuals { FORM, SKIP };

// out_i = y_i - b_1 c_1i - ... - b_K c_Ki, each product and each difference rounded in that
// order (a null column is the constant one), in one pass over the rows.
void subtract_fitted(const Columns& cols, const std::vector<Real>& b, const Real* y, std::size_t n,
                     Real* out) {
    const std::size_t k = cols.size();
    std::vector<Unpacked> coef(k);
    for (std::size_t j = 0; j < k; ++j) coef[j] = unpack_real(b[j]);
    split_rows(n, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            // b_j times the constant one is b_j exactly: the same bits as b_j unmultiplied.
            out[i] =
                pack_real(subtract_products(unpack_real(y[i]), coef.data(), k, [&](std::size_t j) {
                    return cols[j] == nullptr ? Real(1) : cols[j][i];
                }));
        }
    });
}

// The coefficients, (X'X)^-1 and SSE from the cross-product matrix of the columns then y; false
// (with the column) when one depends on the others.
bool solve_gram(const GramMatrix& gram, std::size_t n, PoolFit& f, int& bad) {
    const GramFit r = gram_cholesky_solve(gram, int(n), DEPENDENCE_RATIO);
    if (!r.ok()) {
        bad = r.failed_column;
        return false;
    }
    const int k = gram.size - 1;
    f.coef = r.coef;
    f.xtx_inv.assign(std::size_t(k) * k, 0);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) f.xtx_inv[std::size_t(i) * k + j] = r.inverse_at(i, j);
    f.sse = r.sse;
    return true;
}

// Least squares of y on the columns; false (with the column) when one depends on the others.
bool least_squares(const Columns& cols, const Real* y, std::size_t n, PoolFit& f, int& bad,
                   const Real* row_scale = nullptr, Residuals residuals = Residuals::FORM) {
    GramColumns g;
    g.columns = cols;
    g.columns.push_back(y);
    g.nobs = n;
    g.row_scale = row_scale;
    if (!solve_gram(exact_gram(g), n, f, bad)) return false;
    // The weighted between fit needs no residuals.
    if (row_scale != nullptr || residuals == Residuals::SKIP) return true;
    f.resid.resize(n);
    subtract_fitted(cols, f.coef, y, n, f.resid.data());
    return true;
}

// s2 (X'X)^-1, or the sandwich clustered by cross-section; then the standard errors.
void finish_covariance(PoolFit& f, Real df, const Columns& cols, const PoolData& d,
                       PoolCovariance kind) {
    const std::size_t k = f.coef.size(), n = d.y.size();
    f.df = df;
    f.sigma2 = f.sse / df;
    if (kind == PoolCovariance::CLASSICAL) {
        f.cov.resize(f.xtx_inv.size());
        for (std::size_t i = 0; i < f.cov.size(); ++i) f.cov[i] = f.sigma2 * f.xtx_inv[i];
    } else {
        // The scores x_t e_t, summed by cross-section in the shared clustered sandwich.
        std::vector<Real> scores(n * k);
        for (std::size_t j = 0; j < k; ++j) {
            const Real* c = cols[j];
            for (std::size_t i = 0; i < n; ++i)
                scores[j * n + i] = (c ? c[i] : Real(1)) * f.resid[i];
        }
        const Real factor = kind == PoolCovariance::CLUSTER_HC1 ? Real(n) / Real(n - k) : Real(1);
        f.cov = clustered_covariance(scores, int(n), int(k), d.group, int(d.rows.size()), f.xtx_inv,
                                     factor);
    }
    standard_errors_and_ratios(f.coef, f.cov, f.se, f.tstat);
}

// The sum of the squares, each square and each partial sum rounded in row order.
Real sum_of_squares(const std::vector<Real>& v) {
    Real s = 0;
    for (Real x : v) s = fast_add(s, fast_multiply(x, x));
    return s;
}

Real centred_sum_of_squares(const std::vector<Real>& v) {
    Real mean = 0;
    for (Real x : v) mean = fast_add(mean, x);
    mean /= Real(v.size());
    Real s = 0;
    for (Real x : v) {
        const Real d = fast_subtract(x, mean);
        s = fast_add(s, fast_multiply(d, d));
    }
    return s;
}

// The squared correlation of y with its fitted values.
Real squared_correlation(const std::vector<Real>& y, const std::vector<Real>& fitted) {
    // Each sum is its own chain in row order; on a long sample the chains are shared between
    // two threads (the means, then syy and syf beside sff).
    const std::size_t n = y.size();
    Real my = 0, mf = 0;
    each_column(2, n, [&](std::size_t which) {
        (which == 0 ? my : mf) = fast_add_chain(Real(0), (which == 0 ? y : fitted).data(), n);
    });
    my /= Real(n), mf /= Real(n);
    // The deviations, their products and the sums kept taken apart: the bits of fast_subtract,
    // fast_multiply and fast_add in the same order.
    const Unpacked minus_my = unpacked_negate(unpack_real(my));
    const Unpacked minus_mf = unpacked_negate(unpack_real(mf));
    Real syy = 0, sff = 0, syf = 0;
    each_column(2, n, [&](std::size_t which) {
        Unpacked a = unpack_real(Real(0)), b = a;
        if (which == 0) {
            for (std::size_t i = 0; i < n; ++i) {
                const Unpacked dy = unpacked_sum(unpack_real(y[i]), minus_my);
                const Unpacked df = unpacked_sum(unpack_real(fitted[i]), minus_mf);
                a = unpacked_sum(a, unpacked_multiply(dy, dy));
                b = unpacked_sum(b, unpacked_multiply(dy, df));
            }
            syy = pack_real(a), syf = pack_real(b);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                const Unpacked df = unpacked_sum(unpack_real(fitted[i]), minus_mf);
                a = unpacked_sum(a, unpacked_multiply(df, df));
            }
            sff = pack_real(a);
        }
    });
    return squared_ratio(syf, syy, sff);
}

Real normal_llf(Real sse, int n) {
    return -Real(n) / 2 * (1 + LOG_TWO_PI + qm::log(sse / n));
}

// The cross-section means of y and of every regressor.
struct Means {
    std::vector<Real> y;
    std::vector<std::vector<Real>> x;
};

// The means of y and of every regressor in one pass over the rows, each cross-section's sum
// taken in row order.
Means cross_section_means(const PoolData& d) {
    const std::size_t groups = d.rows.size(), k = d.x.size();
    Means m;
    m.y.resize(groups);
    m.x.assign(k, std::vector<Real>(groups));
    // Each variable's sums are its own (y first, then the regressors): the variables are shared
    // between two threads on a long panel.
    each_column(k + 1, d.y.size(), [&](std::size_t j) {
        const std::vector<Real>& v = j == 0 ? d.y : d.x[j - 1];
        std::vector<Real>& mean = j == 0 ? m.y : m.x[j - 1];
        // The sums kept taken apart between rows: the bits of fast_add in row order.
        std::vector<Unpacked> sums(groups, unpack_real(Real(0)));
        for (std::size_t i = 0; i < v.size(); ++i) {
            Unpacked& s = sums[std::size_t(d.group[i])];
            s = unpacked_sum(s, unpack_real(v[i]));
        }
        for (std::size_t g = 0; g < groups; ++g) mean[g] = pack_real(sums[g]) / d.rows[g];
    });
    return m;
}

// True when x is constant within every cross-section (time-invariant), the within deviations
// leaving nothing but rounding: the squared differences from the first value of each
// cross-section sum to at most 1E-30 of x'x (exactly equal values, or values a rounding apart).
// x'x comes first; the sum of the squared differences only grows as rows are added, so it stops
// at the first row where it exceeds the bound (at once, for a regressor that varies).
// The spread is compared first with a bound no smaller than the true one, 1E-30 of an upper bound
// of x'x from the largest magnitude (a regressor that varies passes it within its first rows,
// with no pass over the squares); x'x itself is summed only when that scan ends undecided.
bool spread_exceeds(const std::vector<Real>& x, const PoolData& d, Real bound) {
    std::vector<int> first(d.rows.size(), -1);
    Real spread = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        int& f = first[std::size_t(d.group[i])];
        if (f < 0) f = int(i);
        const Real v = fast_subtract(x[i], x[std::size_t(f)]);
        spread = fast_add(spread, fast_multiply(v, v));
        if (fast_less(bound, spread)) return true;
    }
    return !(spread <= bound); // true for a value that is not a number
}

// An upper bound of the rounded sum of the squares of the values: each rounded square is at
// most M*M rounded (M the largest magnitude), and n such terms summed with n roundings stay
// below twice n M*M for any n a vector can hold. Not finite when a value or the bound is not.
Real squares_upper_bound(const std::vector<Real>& x) {
    limbs::u128 largest = 0;
    const limbs::u128 magnitude = ~(limbs::u128(1) << 127);
    for (Real v : x) largest = std::max(largest, limbs::bits_of(v) & magnitude);
    const Real m = limbs::from_bits(largest);
    return 2 * (Real(x.size()) * (m * m));
}

bool constant_within(const std::vector<Real>& x, const PoolData& d) {
    const Real loose = squares_upper_bound(x);
    if (finiteq(loose) && spread_exceeds(x, d, Real(1e-30Q) * loose)) return false;
    return !spread_exceeds(x, d, Real(1e-30Q) * sum_of_squares(x));
}

// H = (b_w - b_r)'(V_w - V_r)^-1 (b_w - b_r) over the slopes the within fit estimates
// (`use`: their places among the random-effects slopes), with the classical covariances.
void hausman(const PoolFit& within, const PoolFit& random, const std::vector<std::size_t>& use,
             int slopes, PoolEstimate& e) {
    const int k = int(use.size());
    if (k == 0) return;
    std::vector<Real> diff(static_cast<std::size_t>(k)), v(static_cast<std::size_t>(k * k));
    const std::size_t kr = std::size_t(slopes + 1);
    for (int a = 0; a < k; ++a) {
        diff[a] = within.coef[a] - random.coef[use[a]];
        for (int b = 0; b < k; ++b)
            v[std::size_t(a) * k + b] = within.sigma2 * within.xtx_inv[std::size_t(a) * k + b] -
                                        random.sigma2 * random.xtx_inv[use[a] * kr + use[b]];
    }
    // The difference need not be positive definite in a sample: a general inverse, and the
    // statistic is the absolute value of the quadratic form.
    expr::Matrix m(k, k), inverse;
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) m(a, b) = v[std::size_t(a) * k + b];
    if (!expr::linalg::invert(m, inverse)) return;
    Real h = 0;
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) h += diff[a] * inverse(a, b) * diff[b];
    e.hausman_done = true;
    e.hausman = qm::abs(h);
    e.hausman_df = k;
    e.hausman_pvalue = dist::chi_square_upper(e.hausman, Real(k));
}

void pooled(const PoolData& d, const PoolControl& c, PoolFit& f, PoolEstimate& e) {
    Columns cols;
    for (const auto& x : d.x) cols.push_back(x.data());
    cols.push_back(nullptr);
    if (!least_squares(cols, d.y.data(), d.y.size(), f, e.bad_column)) {
        e.end = PoolEnd::DEPENDENT;
        return;
    }
    finish_covariance(f, Real(e.n - e.k), cols, d, c.covariance);
    e.result.record.rsqr = 1 - f.sse / centred_sum_of_squares(d.y);
    e.result.record.residuals = std::move(f.resid);
}

void fixed(const PoolData& d, const PoolControl& c, const Means& m, PoolFit& f, PoolEstimate& e) {
    // A regressor constant within every cross-section has within deviations of rounding
    // noise alone (its means are rounded): refused before the fit, which would take the noise
    // for a column.
    for (std::size_t j = 0; j < d.x.size(); ++j)
        if (constant_within(d.x[j], d)) {
            e.bad_column = int(j);
            e.end = PoolEnd::DEPENDENT;
            return;
        }
    // The within fit: deviations from the cross-section means, no intercept, kept for the
    // residuals (y's in the fitted values' buffer, written over by them at the end).
    const std::size_t k = std::size_t(e.k), n = d.y.size();
    std::vector<std::vector<Real>> dev_x(k);
    std::vector<Real>& dev_y = e.result.record.predicted;
    std::vector<DeviationColumn> wcols;
    for (std::size_t j = 0; j < k; ++j) {
        dev_x[j].resize(n);
        wcols.push_back({d.x[j].data(), m.x[j].data(), dev_x[j].data()});
    }
    dev_y.resize(n);
    wcols.push_back({d.y.data(), m.y.data(), dev_y.data()});
    if (!solve_gram(deviation_gram(wcols, d.group), n, f, e.bad_column)) {
        e.end = PoolEnd::DEPENDENT;
        return;
    }
    Columns cols;
    for (const auto& x : dev_x) cols.push_back(x.data());
    f.resid.resize(n);
    subtract_fitted(cols, f.coef, dev_y.data(), n, f.resid.data());
    const int df = e.n - e.groups - e.k;
    finish_covariance(f, Real(df), cols, d, c.covariance);
    e.result.record.rsqr = 1 - f.sse / sum_of_squares(dev_y);
    e.result.record.residuals = std::move(f.resid);
    e.effects.resize(std::size_t(e.groups));
    e.xmeans.resize(std::size_t(e.groups) * k);
    for (std::size_t g = 0; g < std::size_t(e.groups); ++g) {
        Real a = m.y[g];
        for (std::size_t j = 0; j < k; ++j) {
            a -= f.coef[j] * m.x[j][g];
            e.xmeans[g * k + j] = m.x[j][g];
        }
        e.effects[g] = a;
    }
    // F test of equal effects against the pooled fit.
    Columns pcols;
    for (const auto& x : d.x) pcols.push_back(x.data());
    pcols.push_back(nullptr);
    PoolFit p;
    int bad = -1;
    if (e.groups > 1 &&
        least_squares(pcols, d.y.data(), d.y.size(), p, bad, nullptr, Residuals::SKIP)) {
        e.f_df1 = e.groups - 1;
        e.f_df2 = df;
        e.f_effects = ((p.sse - f.sse) / e.f_df1) / (f.sse / df);
        e.f_pvalue = dist::f_upper(e.f_effects, Real(e.f_df1), Real(e.f_df2));
    }
}

// `varying`: the regressors that vary within a cross-section.
void random(const PoolData& d, const PoolControl& c, const Means& m,
            const std::vector<std::size_t>& varying, PoolFit& f, PoolEstimate& e) {
    const std::size_t k = std::size_t(e.k - 1), groups = std::size_t(e.groups), n = d.y.size();
    const int* group = d.group.data();
    // The variance of e from the within fit, of the regressors that vary within a
    // cross-section: one constant within every cross-section (time-invariant) is estimated
    // by the between and random-effects fits alone. Its residuals are not needed, and its
    // deviations are summed a block of rows at a time, never written out.
    e.within_slopes = int(varying.size());
    PoolFit within;
    const Real within_df = Real(e.n - e.groups - int(varying.size()));
    std::vector<DeviationColumn> wcols;
    for (std::size_t j : varying) wcols.push_back({d.x[j].data(), m.x[j].data()});
    wcols.push_back({d.y.data(), m.y.data()});
    if (varying.empty()) {
        Real s = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Real v = deviation_at(wcols[0], group, i);
            s = fast_add(s, fast_multiply(v, v));
        }
        within.sse = s;
        within.sigma2 = within.sse / within_df;
    } else {
        if (!solve_gram(deviation_gram(wcols, d.group), n, within, e.bad_column)) {
            if (e.bad_column >= 0) e.bad_column = int(varying[std::size_t(e.bad_column)]);
            e.end = PoolEnd::DEPENDENT;
            return;
        }
        finish_covariance(within, within_df, {}, d, PoolCovariance::CLASSICAL);
    }
    e.sigma2_e = within.sigma2;
    // The between fit: the cross-section means, each weighted by its number of rows.
    std::vector<Real> root_rows(groups);
    for (std::size_t g = 0; g < groups; ++g) root_rows[g] = qm::sqrt(Real(d.rows[g]));
    Columns bcols;
    for (const auto& x : m.x) bcols.push_back(x.data());
    bcols.push_back(nullptr);
    PoolFit between;
    if (!least_squares(bcols, m.y.data(), groups, between, e.bad_column, root_rows.data())) {
        e.end = PoolEnd::DEPENDENT;
        return;
    }
    // s2_a = (SSE_b - (groups - K - 1) s2_e) / (N - trace((X'PX)^-1 X'ZZ'X)): X'PX is the
    // weighted cross-product of the between fit, X'ZZ'X the same with the squared weights.
    const std::size_t kb = k + 1;
    // Each row of X'ZZ'X is its own sums over the cross-sections: the rows are shared between
    // two threads when there are many cross-sections.
    std::vector<Real> zz(kb * kb, Real(0));
    each_column(kb, groups * kb * kb, [&](std::size_t a) {
        Real* line = &zz[a * kb];
        for (std::size_t g = 0; g < groups; ++g) {
            const Real w = Real(d.rows[g]) * Real(d.rows[g]);
            const Real wa = fast_multiply(w, a < k ? m.x[a][g] : Real(1));
            for (std::size_t b = 0; b < kb; ++b)
                line[b] = fast_add(line[b], b < k ? fast_multiply(wa, m.x[b][g]) : wa);
        }
    });
    Real trace = 0;
    for (std::size_t a = 0; a < kb; ++a)
        for (std::size_t b = 0; b < kb; ++b) trace += between.xtx_inv[a * kb + b] * zz[b * kb + a];
    e.sigma2_a = (between.sse - Real(e.groups - int(kb)) * e.sigma2_e) / (Real(e.n) - trace);
    if (e.sigma2_a < 0) {
        e.sigma2_a = 0;
        e.sigma2_a_clipped = true;
    }
    std::vector<Real> theta(groups);
    for (std::size_t g = 0; g < groups; ++g)
        theta[g] = 1 - qm::sqrt(e.sigma2_e / (e.sigma2_e + d.rows[g] * e.sigma2_a));
    e.theta_min = e.theta_max = theta.empty() ? Real(0) : theta[0];
    for (Real t : theta)
        e.theta_min = std::min(e.theta_min, t), e.theta_max = std::max(e.theta_max, t);
    for (std::size_t g = 0; g < groups; ++g) e.theta_mean += theta[g] * d.rows[g];
    e.theta_mean /= Real(e.n);
    // Least squares on the quasi-deviations: each variable less theta_g times its mean (the
    // product formed once per cross-section), the intercept's column 1 - theta_g, then y.
    std::vector<std::vector<Real>> shift(k + 1, std::vector<Real>(groups));
    for (std::size_t g = 0; g < groups; ++g) {
        for (std::size_t j = 0; j < k; ++j) shift[j][g] = theta[g] * m.x[j][g];
        shift[k][g] = theta[g] * m.y[g];
    }
    std::vector<Real> one_less_theta(groups);
    for (std::size_t g = 0; g < groups; ++g) one_less_theta[g] = 1 - theta[g];
    // The quasi-deviations are kept for the passes after the fit: y's in the residuals' buffer
    // (written over by the residuals at the end), the intercept's column only for a clustered
    // covariance (elsewhere its product with the coefficient is one per cross-section).
    const bool clustered = c.covariance != PoolCovariance::CLASSICAL;
    std::vector<std::vector<Real>> q(clustered ? k + 1 : k);
    for (auto& v : q) v.resize(n);
    std::vector<Real>& qy = e.result.record.residuals;
    qy.resize(n);
    std::vector<DeviationColumn> qcols;
    for (std::size_t j = 0; j < k; ++j)
        qcols.push_back({d.x[j].data(), shift[j].data(), q[j].data()});
    qcols.push_back({nullptr, one_less_theta.data(), clustered ? q[k].data() : nullptr});
    qcols.push_back({d.y.data(), shift[k].data(), qy.data()});
    if (!solve_gram(deviation_gram(qcols, d.group), n, f, e.bad_column)) {
        e.end = PoolEnd::DEPENDENT;
        return;
    }
    // One pass over the rows: the fitted values qy - e of the quasi-deviations (for R-square),
    // e = qy - b_1 q_1 - ... each product and difference rounded in that order, kept for a
    // clustered covariance only. The fitted values' buffer then takes those on the scale of y.
    std::vector<Real> intercept_part(groups);
    for (std::size_t g = 0; g < groups; ++g)
        intercept_part[g] = fast_multiply(f.coef[k], one_less_theta[g]);
    std::vector<Real>& fitted = e.result.record.predicted;
    fitted.resize(n);
    if (clustered) f.resid.resize(n);
    std::vector<Unpacked> slopes(k);
    for (std::size_t j = 0; j < k; ++j) slopes[j] = unpack_real(f.coef[j]);
    split_rows(n, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            Unpacked u = subtract_products(unpack_real(qy[i]), slopes.data(), k,
                                           [&](std::size_t j) { return q[j][i]; });
            u = unpacked_sum(u,
                             unpacked_negate(unpack_real(intercept_part[std::size_t(group[i])])));
            const Real r = pack_real(u);
            fitted[i] = fast_subtract(qy[i], r);
            if (clustered) f.resid[i] = r;
        }
    });
    finish_covariance(f, Real(e.n - e.k), {}, d, PoolCovariance::CLASSICAL);
    hausman(within, f, varying, int(k), e); // the classical covariance of both fits
    if (clustered) {
        Columns cols;
        for (const auto& v : q) cols.push_back(v.data());
        finish_covariance(f, Real(e.n - e.k), cols, d, c.covariance);
    }
    e.result.record.rsqr = squared_correlation(qy, fitted);
    // The residuals on the scale of y, y - x'b - intercept, and the fitted values y less them.
    std::vector<Real>& resid = qy;
    std::vector<Real>& predicted = fitted;
    Columns xcols;
    for (std::size_t j = 0; j < k; ++j) xcols.push_back(d.x[j].data());
    xcols.push_back(nullptr);
    subtract_fitted(xcols, f.coef, d.y.data(), n, resid.data());
    split_rows(n, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) predicted[i] = fast_subtract(d.y[i], resid[i]);
    });
}

// The within fit of the period models (time effects, or both effects): least squares without
// intercept on the deviations that sweep out the effects, the effects from the slopes, and the F
// test of no effects against the pooled fit.
void period_within(const PoolData& d, const PoolControl& c, PoolFit& f, PoolEstimate& e) {
    const PeriodSweep sweep(d, e.model == PoolModel::TWO_WAY);
    const bool two_way = e.model == PoolModel::TWO_WAY;
    // A regressor the deviations reduce to rounding noise (constant within the periods, or the
    // sum of a cross-section and a period part) is refused before the fit.
    std::vector<std::vector<Real>> dev_x;
    Columns cols;
    for (std::size_t j = 0; j < d.x.size(); ++j) {
        dev_x.push_back(sweep.deviations(d.x[j]));
        if (dev_x[j].empty()) { // the period dummies themselves depend on each other
            e.end = PoolEnd::DEPENDENT;
            return;
        }
        Real spread = 0, size = 0;
        for (std::size_t i = 0; i < d.x[j].size(); ++i)
            spread = fast_add(spread, fast_multiply(dev_x[j][i], dev_x[j][i])),
            size = fast_add(size, fast_multiply(d.x[j][i], d.x[j][i]));
        if (spread <= Real(1e-30Q) * size) {
            e.bad_column = int(j);
            e.end = PoolEnd::DEPENDENT;
            return;
        }
    }
    for (const auto& x : dev_x) cols.push_back(x.data());
    const std::vector<Real> dev_y = sweep.deviations(d.y);
    if (!least_squares(cols, dev_y.data(), d.y.size(), f, e.bad_column)) {
        e.end = PoolEnd::DEPENDENT;
        return;
    }
    const int swept = two_way ? e.groups + d.periods - 1 : d.periods;
    const int df = e.n - swept - e.k;
    finish_covariance(f, Real(df), cols, d, c.covariance);
    e.result.record.rsqr = 1 - f.sse / sum_of_squares(dev_y);
    e.result.record.residuals = std::move(f.resid);
    Columns xcols;
    for (const auto& x : d.x) xcols.push_back(x.data());
    std::vector<Real> r(d.y.size());
    subtract_fitted(xcols, f.coef, d.y.data(), d.y.size(), r.data());
    e.effects = sweep.effects(r);
    Columns pcols;
    for (const auto& x : d.x) pcols.push_back(x.data());
    pcols.push_back(nullptr);
    PoolFit p;
    int bad = -1;
    if (swept > 1 &&
        least_squares(pcols, d.y.data(), d.y.size(), p, bad, nullptr, Residuals::SKIP)) {
        e.f_df1 = swept - 1;
        e.f_df2 = df;
        e.f_effects = ((p.sse - f.sse) / e.f_df1) / (f.sse / df);
        e.f_pvalue = dist::f_upper(e.f_effects, Real(e.f_df1), Real(e.f_df2));
    }
}

// The rest of the result of an estimate: the reported fit as the record, the tests, FCAST's
// panel and the scalars.
void finish_pool_result(const PoolData& d, const PoolFit& f, PoolEstimate& e) {
    ModelResult& m = e.result;
    EstimationResults& r = m.record;
    r.coef = f.coef;
    r.cov = f.cov;
    r.xtx_inv = f.xtx_inv;
    r.stderrs = f.se;
    r.tratios = f.tstat;
    r.n = e.n;
    r.k = e.k;
    r.df = f.df;
    r.sse = f.sse;
    r.sigma = qm::sqrt(f.sigma2);
    const bool within = e.model == PoolModel::FIXED || e.model == PoolModel::PERIOD ||
                        e.model == PoolModel::TWO_WAY;
    r.intercept = !within;
    infer_coefficients(m);
    auto panel = std::make_shared<PanelPart>();
    panel->cross_sections = e.groups;
    panel->fixed = e.model == PoolModel::FIXED;
    // The period models leave FCAST nothing to forecast with: a period outside the sample has
    // no effect.
    // The period models forecast the observations they were estimated on: each one's effects
    // (a_i + g_t, or g_t) are the fitted value less x'b.
    if (e.model == PoolModel::PERIOD || e.model == PoolModel::TWO_WAY) {
        panel->period = true;
        panel->observations = d.obs;
        panel->row_effects.resize(d.y.size());
        for (std::size_t i = 0; i < d.y.size(); ++i) {
            Real xb = 0;
            for (std::size_t j = 0; j < d.x.size(); ++j)
                xb = fast_add(xb, fast_multiply(f.coef[j], d.x[j][i]));
            panel->row_effects[i] = fast_subtract(r.predicted[i], xb);
        }
    }
    if (panel->fixed) {
        panel->effects = e.effects;
        panel->counts = d.rows;
        panel->means = e.xmeans;
    }
    r.model = std::move(panel);
    m.set_scalar(R_N, e.n);
    m.set_scalar(R_K, e.k);
    m.set_scalar(R_DF, f.df);
    m.set_scalar(R_SSE, f.sse);
    m.set_scalar(R_SIG2, f.sigma2);
    m.set_scalar(R_R2, r.rsqr);
    m.set_scalar(R_ADR2, e.adjusted_r2);
    if (r.has_llf) m.set_scalar(R_LLF, r.llf);
    if (within && e.f_df1 > 0) {
        m.add_statistic(NamedStatistic{"F EQUAL EFFECTS", e.f_effects, StatisticLaw::F,
                                       Real(e.f_df1), Real(e.f_df2), true, e.f_pvalue});
        m.set_scalar(R_F, e.f_effects);
        m.set_scalar(R_DF1, e.f_df1);
        m.set_scalar(R_DF2, e.f_df2);
        m.set_scalar(R_PVAL, e.f_pvalue);
    }
    if (e.model == PoolModel::RANDOM && e.hausman_done) {
        m.add_statistic(NamedStatistic{"HAUSMAN", e.hausman, StatisticLaw::CHI_SQUARE,
                                       Real(e.hausman_df), 0, true, e.hausman_pvalue});
        m.set_scalar(R_CHI, e.hausman);
        m.set_scalar(R_PVAL, e.hausman_pvalue);
    }
}

} // namespace

PoolEstimate estimate_pool(const PoolData& d, const PoolControl& c) {
    PoolEstimate e;
    e.model = c.model;
    e.n = int(d.y.size());
    e.groups = int(d.rows.size());
    const int slopes = int(d.x.size());
    const bool period = c.model == PoolModel::PERIOD || c.model == PoolModel::TWO_WAY;
    e.k = c.model == PoolModel::FIXED || period ? slopes : slopes + 1;
    const int swept = c.model == PoolModel::FIXED     ? e.groups
                      : c.model == PoolModel::PERIOD  ? d.periods
                      : c.model == PoolModel::TWO_WAY ? e.groups + d.periods - 1
                                                      : 0;
    const int df = e.n - swept - e.k;
    // The within fit of RANDOM takes the regressors that vary within a cross-section.
    std::vector<std::size_t> varying;
    if (c.model == PoolModel::RANDOM)
        for (std::size_t j = 0; j < d.x.size(); ++j)
            if (!constant_within(d.x[j], d)) varying.push_back(j);
    if (df < 1 || (c.model == PoolModel::RANDOM && e.n - e.groups - int(varying.size()) < 1)) {
        e.end = PoolEnd::TOO_FEW;
        return e;
    }
    if (c.model == PoolModel::RANDOM && e.groups - slopes - 1 < 1) {
        e.end = PoolEnd::FEW_CROSS_SECTIONS;
        return e;
    }
    // Every column's sum of squares must be a binary128 number for SSE, the variance
    // components and the covariance matrix to be represented (bad_column K: y).
    std::vector<SquaresRange> ranges(std::size_t(slopes) + 1);
    each_column(ranges.size(), d.y.size(), [&](std::size_t j) {
        const std::vector<Real>& v = j < std::size_t(slopes) ? d.x[j] : d.y;
        ranges[j] = squares_range(v.data(), v.size());
    });
    for (int j = 0; j <= slopes; ++j) {
        const SquaresRange range = ranges[std::size_t(j)];
        if (range != SquaresRange::inside) {
            e.end = PoolEnd::OUT_OF_RANGE;
            e.bad_column = j;
            e.too_large = range == SquaresRange::too_large;
            return e;
        }
    }
    Real sum = 0;
    for (Real v : d.y) sum = fast_add(sum, v);
    e.ymean = sum / e.n;
    Means m;
    if (c.model != PoolModel::POOLED && !period) m = cross_section_means(d);
    PoolFit f; // the fit reported
    if (c.model == PoolModel::POOLED) pooled(d, c, f, e);
    if (c.model == PoolModel::FIXED) fixed(d, c, m, f, e);
    if (c.model == PoolModel::RANDOM) random(d, c, m, varying, f, e);
    if (period) period_within(d, c, f, e);
    if (e.end != PoolEnd::OK) return e;
    EstimationResults& r = e.result.record;
    e.adjusted_r2 = 1 - (1 - r.rsqr) * Real(e.n - 1) / f.df;
    r.has_llf = c.model != PoolModel::RANDOM;
    if (r.has_llf) r.llf = normal_llf(f.sse, e.n);
    // RANDOM forms its fitted values with its residuals (FIXED leaves y's deviations in their
    // buffer, written over here).
    if (c.model != PoolModel::RANDOM) {
        r.predicted.resize(d.y.size());
        split_rows(d.y.size(), [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i)
                r.predicted[i] = fast_subtract(d.y[i], r.residuals[i]);
        });
    }
    finish_pool_result(d, f, e);
    return e;
}

std::vector<Real> variance_components(const PoolEstimate& e) {
    const Real total = e.sigma2_e + e.sigma2_a;
    const Real share_e = total > 0 ? e.sigma2_e / total : Real(0);
    const Real share_a = total > 0 ? e.sigma2_a / total : Real(0);
    return {e.sigma2_e,
            e.sigma2_a,
            e.theta_min, // column 1
            qm::sqrt(e.sigma2_e),
            qm::sqrt(e.sigma2_a),
            e.theta_mean, // column 2
            share_e,
            share_a,
            e.theta_max}; // column 3
}

} // namespace tarvex
