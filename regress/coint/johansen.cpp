// Johansen's procedure: the concentrating regressions by exact least squares (one per
// difference and per level, all on the same lagged differences), the residual moment matrices
// from one exact cross-product, and the generalised symmetric eigenproblem
// S10 S00^-1 S01 v = lambda S11 v turned into an ordinary one through the Cholesky factor
// S11 = L L': (L^-1 S10 S00^-1 S01 L^-T) e = lambda e, v = L^-T e.
#include "regress/coint/johansen.hpp"

#include "expr/matrix_algebra.hpp"
#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// A moment matrix counts as singular when a Cholesky pivot keeps at most this fraction of its
// diagonal element: the dependence test of the least-squares solvers.
const Real MOMENT_FLOOR = DEPENDENCE_RATIO;

// The residuals of `dep` (n values) on the regressor columns (null: the constant); with no
// regressors, `dep` itself. False, with the regressor at fault, when one depends on the others.
bool concentrate(const std::vector<const Real*>& regs, const Real* dep, std::size_t n,
                 std::vector<Real>& out, int& failed) {
    out.assign(dep, dep + n);
    if (regs.empty()) return true;
    GramColumns cols;
    cols.nobs = n;
    cols.columns = regs;
    cols.columns.push_back(dep);
    const GramFit g = gram_least_squares(cols, DEPENDENCE_RATIO);
    if (!g.ok()) {
        failed = g.failed_column;
        return false;
    }
    return gram_residuals(cols, g.coef_wide, out.data()).finite;
}

// x := L^-1 x for a lower-triangular L (k x k row-major).
void forward_solve(const std::vector<Real>& lower, int k, Real* x) {
    for (int i = 0; i < k; ++i) {
        Real s = x[i];
        for (int j = 0; j < i; ++j) s -= lower[std::size_t(i) * k + j] * x[j];
        x[i] = s / lower[std::size_t(i) * k + i];
    }
}

// x := L^-T x.
void backward_solve(const std::vector<Real>& lower, int k, Real* x) {
    for (int i = k - 1; i >= 0; --i) {
        Real s = x[i];
        for (int j = i + 1; j < k; ++j) s -= lower[std::size_t(j) * k + i] * x[j];
        x[i] = s / lower[std::size_t(i) * k + i];
    }
}

JohansenFit failed_with(JohansenFit fit, JohansenStatus status) {
    fit.status = status;
    return fit;
}

} // namespace

JohansenFit johansen(const std::vector<std::vector<Real>>& x, int lags, JohansenTerms terms) {
    JohansenFit fit;
    const int m = int(x.size());
    const std::size_t big_n = x.empty() ? 0 : x[0].size();
    const bool inside = terms == JohansenTerms::RESTRICTED || terms == JohansenTerms::TREND;
    const bool outside = terms == JohansenTerms::CONSTANT || terms == JohansenTerms::TREND;
    fit.m = m;
    fit.p = m + (inside ? 1 : 0);
    fit.lags = lags;
    fit.nregs = m * (lags - 1) + (outside ? 1 : 0);
    const int p = fit.p;
    const long long rows = (long long)big_n - lags;
    fit.n = int(rows < 0 ? 0 : rows);
    if (lags < 1 || rows < (long long)fit.nregs + p + 1)
        return failed_with(fit, JohansenStatus::too_few);
    const std::size_t n = std::size_t(rows);

    // Row r is observation t = lags + r (0-based): dx(t-j) = d[lags - 1 - j + r] and
    // x(t-1) = x[lags - 1 + r]. The levels at t-K instead (ca.jo's long-run form) differ from
    // x(t-1) by a sum of the lagged differences and leave the same residuals; so does the trend,
    // counted here as the 1-based number of t-1, against any other origin (the outside constant
    // absorbs the shift).
    std::vector<std::vector<Real>> d(std::size_t(m), std::vector<Real>(big_n - 1));
    for (int i = 0; i < m; ++i)
        for (std::size_t s = 0; s + 1 < big_n; ++s) d[i][s] = x[i][s + 1] - x[i][s];
    std::vector<const Real*> regs;
    for (int j = 1; j < lags; ++j)
        for (int i = 0; i < m; ++i) regs.push_back(d[i].data() + (lags - 1 - j));
    if (outside) regs.push_back(nullptr);
    std::vector<Real> extra;
    if (terms == JohansenTerms::RESTRICTED) extra.assign(n, Real(1));
    if (terms == JohansenTerms::TREND)
        for (std::size_t r = 0; r < n; ++r) extra.push_back(Real(lags + (long long)r));

    // R0: the differences' residuals, then R1: the levels' (and the restricted term's).
    std::vector<std::vector<Real>> resid(std::size_t(m + p));
    for (int c = 0; c < m + p; ++c) {
        const Real* dep = c < m       ? d[c].data() + (lags - 1)
                          : c < 2 * m ? x[c - m].data() + (lags - 1)
                                      : extra.data();
        if (!concentrate(regs, dep, n, resid[c], fit.failed_column))
            return failed_with(fit, JohansenStatus::dependent);
    }
    GramColumns moments;
    moments.nobs = n;
    for (const std::vector<Real>& r : resid) moments.columns.push_back(r.data());
    const GramMatrix gram = exact_gram(moments);
    auto s = [&](int a, int b) {
        const Wide w = gram.at(a, b);
        return (w.hi + w.lo) / Real(rows);
    };
    std::vector<Real> s00(std::size_t(m) * m), s11(std::size_t(p) * p), s01(std::size_t(m) * p);
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b) s00[std::size_t(a) * m + b] = s(a, b);
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) s11[std::size_t(a) * p + b] = s(m + a, m + b);
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < p; ++b) s01[std::size_t(a) * p + b] = s(a, m + b);

    std::vector<Real> l00, l11;
    int failed = -1;
    if (!cholesky_factor(s00, m, l00, failed, MOMENT_FLOOR))
        return failed_with(fit, JohansenStatus::singular_00);
    if (!cholesky_factor(s11, p, l11, failed, MOMENT_FLOOR))
        return failed_with(fit, JohansenStatus::singular_11);

    // C = S10 S00^-1 S01 (p x p), then A = L^-1 C L^-T, made exactly symmetric.
    std::vector<Real> b(std::size_t(m) * p); // S00^-1 S01, column-major
    for (int j = 0; j < p; ++j) {
        std::vector<Real> col(static_cast<std::size_t>(m));
        for (int i = 0; i < m; ++i) col[i] = s01[std::size_t(i) * p + j];
        const std::vector<Real> sol = cholesky_solve(l00, m, col);
        for (int i = 0; i < m; ++i) b[std::size_t(j) * m + i] = sol[i];
    }
    std::vector<Real> a(std::size_t(p) * p); // column-major
    for (int j = 0; j < p; ++j)
        for (int i = 0; i < p; ++i) {
            Real v = 0;
            for (int k = 0; k < m; ++k)
                v += s01[std::size_t(k) * p + i] * b[std::size_t(j) * m + k];
            a[std::size_t(j) * p + i] = v;
        }
    for (int j = 0; j < p; ++j) forward_solve(l11, p, a.data() + std::size_t(j) * p); // L^-1 C
    std::vector<Real> t(a.size());
    for (int j = 0; j < p; ++j)
        for (int i = 0; i < p; ++i) t[std::size_t(i) * p + j] = a[std::size_t(j) * p + i];
    for (int j = 0; j < p; ++j) forward_solve(l11, p, t.data() + std::size_t(j) * p);
    expr::Matrix sym(p, p);
    for (int j = 0; j < p; ++j)
        for (int i = 0; i < p; ++i)
            sym(i, j) = (t[std::size_t(j) * p + i] + t[std::size_t(i) * p + j]) / 2;
    const expr::linalg::EigenResult e = expr::linalg::eigen(sym, true);
    if (!e.ok) return failed_with(fit, JohansenStatus::no_eigen);

    fit.eigenvalues.resize(std::size_t(p));
    fit.vectors.assign(std::size_t(p) * p, Real(0));
    for (int k = 0; k < p; ++k) {
        fit.eigenvalues[k] = e.values(k, 0);
        Real* v = fit.vectors.data() + std::size_t(k) * p;
        for (int i = 0; i < p; ++i) v[i] = e.vectors(i, k);
        backward_solve(l11, p, v);
        const Real lead = v[0];
        if (lead != 0)
            for (int i = 0; i < p; ++i) v[i] /= lead;
    }
    // The statistics use the m eigenvalues that can be nonzero.
    for (int r = 0; r < m; ++r) {
        Real sum = 0;
        for (int i = r; i < m; ++i) sum += qm::log(1 - fit.eigenvalues[i]);
        fit.trace.push_back(-Real(rows) * sum);
        fit.max_eigen.push_back(-Real(rows) * qm::log(1 - fit.eigenvalues[r]));
    }
    // alpha = S01 V (V' S11 V)^-1, whose middle factor is diagonal.
    fit.loadings.assign(std::size_t(m) * p, Real(0));
    for (int k = 0; k < p; ++k) {
        const Real* v = fit.vectors.data() + std::size_t(k) * p;
        Real q = 0;
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j) q += v[i] * s11[std::size_t(i) * p + j] * v[j];
        for (int i = 0; i < m; ++i) {
            Real w = 0;
            for (int j = 0; j < p; ++j) w += s01[std::size_t(i) * p + j] * v[j];
            fit.loadings[std::size_t(k) * m + i] = w / q;
        }
    }
    return fit;
}

} // namespace tarvex
