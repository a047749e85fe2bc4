// The numerics of DIAGNOSE: Chow breakpoint and predictive tests, the Quandt-Andrews sequence
// of Chow statistics and Engle's ARCH test, each from least-squares fits of row ranges.
#include "regress/diagnose/stability_tests.hpp"

#include "kernels/least_squares.hpp"
#include "kernels/normal_equations.hpp"
#include "numeric/distributions.hpp"

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

SupWald sup_wald(const std::vector<Real>& x, const std::vector<Real>& y, int k, int lo, int hi) {
    SupWald w;
    const int n = int(y.size());
    Real s = 0;
    if (!rows_sse(x, y, k, 0, n, s)) return w;
    for (int split = lo; split <= hi; ++split) {
        Real s1 = 0, s2 = 0;
        if (!rows_sse(x, y, k, 0, split, s1) || !rows_sse(x, y, k, split, n, s2)) continue;
        if (s1 + s2 <= 0) continue;
        const Real stat = (s - s1 - s2) / ((s1 + s2) / (n - 2 * k));
        w.splits.push_back(split);
        w.stats.push_back(stat);
        if (w.at < 0 || stat > w.sup) {
            w.sup = stat;
            w.at = split;
        }
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
