// The numerics of DIAGNOSE: Chow breakpoint and predictive tests, the Quandt-Andrews sequence
// of Chow statistics (from running sums of squared recursive residuals, forwards and
// backwards) and Engle's ARCH test, each from least-squares fits of row ranges.
#include "regress/diagnose/stability_tests.hpp"

#include "kernels/least_squares.hpp"
#include "kernels/normal_equations.hpp"
#include "numeric/distributions.hpp"
#include "regress/diagnose/sup_f_pvalue.hpp"
#include "regress/ols/recursive_residuals.hpp"

namespace tarvex {

namespace {

// The least-squares fit of rows [first, last): the regressors then y, column after column.
LeastSquaresFit fit_rows(const std::vector<Real>& x, const std::vector<Real>& y, int k, int first,
                         int last) {
    const int n = last - first;
    DataMatrix data(n, k + 1);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < k; ++j) data.at(i, j) = x[static_cast<std::size_t>(first + i) * k + j];
        data.at(i, k) = y[static_cast<std::size_t>(first + i)];
    }
    return normal_equations_solve(data);
}

} // namespace

bool rows_sse(const std::vector<Real>& x, const std::vector<Real>& y, int k, int first, int last,
              Real& sse) {
    if (last - first < k) return false;
    const LeastSquaresFit fit = fit_rows(x, y, k, first, last);
    if (!fit.ok()) return false;
    sse = fit.sse;
    return true;
}

ChowTests chow_tests(const std::vector<Real>& x, const std::vector<Real>& y, int k, int split) {
    ChowTests c;
    const int n = int(y.size());
    const int n1 = split, n2 = n - split;
    Real s = 0, s1 = 0, s2 = 0;
    if (!rows_sse(x, y, k, 0, n, s) || !rows_sse(x, y, k, 0, split, s1)) {
        c.singular = true;
        return c;
    }
    if (n1 > k && s1 > 0) {
        c.predictive_done = true;
        c.df1_pred = n2;
        c.df2_pred = n1 - k;
        c.f_pred = ((s - s1) / c.df1_pred) / (s1 / c.df2_pred);
        c.p_pred = dist::f_upper(c.f_pred, c.df1_pred, c.df2_pred);
    }
    if (n2 >= k && n - 2 * k > 0) {
        if (!rows_sse(x, y, k, split, n, s2)) {
            c.singular = true;
            return c;
        }
        if (s1 + s2 > 0) {
            c.breakpoint_done = true;
            c.df1_break = k;
            c.df2_break = n - 2 * k;
            c.f_break = ((s - s1 - s2) / k) / ((s1 + s2) / c.df2_break);
            c.p_break = dist::f_upper(c.f_break, c.df1_break, c.df2_break);
        }
    }
    return c;
}

namespace {

// The residual sums of squares of the first t rows, t = 0 .. n (-1 while the rows do not yet
// determine every coefficient), each the last one plus the square of the next recursive
// residual: the cross products are updated one row at a time, O(K**2) per row. `reversed`
// takes the rows from the last one back, which gives the sums of the last t rows.
std::vector<Real> running_sse(const std::vector<Real>& x, const std::vector<Real>& y, int k,
                              bool reversed) {
    const int n = int(y.size());
    std::vector<Real> columns(x.size()), values(y.size());
    for (int i = 0; i < n; ++i) {
        const int from = reversed ? n - 1 - i : i;
        values[std::size_t(i)] = y[std::size_t(from)];
        for (int j = 0; j < k; ++j) columns[std::size_t(j) * n + i] = x[std::size_t(from) * k + j];
    }
    const RecursiveResiduals rr = recursive_residuals(columns, values, n, k);
    std::vector<Real> sse(std::size_t(n) + 1, Real(-1));
    Real sum = 0;
    for (int t = rr.first; t <= n; ++t) {
        sse[std::size_t(t)] = sum;
        if (t < n) sum += rr.w[std::size_t(t)] * rr.w[std::size_t(t)];
    }
    return sse;
}

} // namespace

SupWald sup_wald(const std::vector<Real>& x, const std::vector<Real>& y, int k, int lo, int hi) {
    SupWald w;
    const int n = int(y.size());
    const std::vector<Real> head = running_sse(x, y, k, false);
    const std::vector<Real> tail = running_sse(x, y, k, true);
    const Real s = head[std::size_t(n)];
    if (s < 0) return w;
    for (int split = lo; split <= hi; ++split) {
        const Real s1 = head[std::size_t(split)], s2 = tail[std::size_t(n - split)];
        if (s1 < 0 || s2 < 0 || s1 + s2 <= 0) continue;
        const Real stat = (s - s1 - s2) / ((s1 + s2) / (n - 2 * k));
        w.splits.push_back(split);
        w.stats.push_back(stat);
        if (w.at < 0 || stat > w.sup) {
            w.sup = stat;
            w.at = split;
        }
    }
    if (w.at >= 0 && k <= SUP_F_MAX_K) {
        w.lambda = sup_f_lambda(n, lo, hi);
        w.p = sup_f_pvalue(w.sup, k, w.lambda);
        w.p_done = true;
    }
    return w;
}

ArchTest arch_test(const std::vector<Real>& e, int q) {
    ArchTest a;
    const int n = int(e.size());
    a.rows = n - q;
    const int k = q + 1;
    if (q < 1 || a.rows - k < 1) return a;
    std::vector<Real> x(static_cast<std::size_t>(a.rows) * k), y(static_cast<std::size_t>(a.rows));
    for (int t = q; t < n; ++t) {
        const std::size_t row = static_cast<std::size_t>(t - q);
        y[row] = e[t] * e[t];
        x[row * k] = 1;
        for (int l = 1; l <= q; ++l) x[row * k + l] = e[t - l] * e[t - l];
    }
    Real sse = 0;
    if (!rows_sse(x, y, k, 0, a.rows, sse)) return a;
    Real mean = 0;
    for (Real v : y) mean += v;
    mean /= a.rows;
    Real sst = 0;
    for (Real v : y) sst += (v - mean) * (v - mean);
    if (sst <= 0) return a;
    a.done = true;
    a.r2 = 1 - sse / sst;
    a.lm = a.rows * a.r2;
    a.p_lm = dist::chi_square_upper(a.lm, q);
    a.df2 = a.rows - k;
    a.f = (a.r2 / q) / ((1 - a.r2) / a.df2);
    a.p_f = dist::f_upper(a.f, q, a.df2);
    return a;
}

} // namespace tarvex
