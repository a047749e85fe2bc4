// The simplex of a quantile regression: steps in double to find the optimal basis, then in
// binary128 to verify it (and to step on where double's rounding stopped short).
#include "regress/robust/quantile_simplex.hpp"

#include "numeric/qmath.hpp"
#include "regress/robust/quantile_dual.hpp"
#include "regress/robust/quantile_lu.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tarvex {

namespace {

// The design row-major in the working type.
template <class T>
struct QuantileDesign {
    std::size_t n = 0;
    int k = 0;
    std::vector<T> x; // n x k
    std::vector<T> y;
    const T* row(std::size_t i) const { return x.data() + i * std::size_t(k); }
};

template <class T>
QuantileDesign<T> quantile_design(const std::vector<const Real*>& cols, const Real* y,
                                  std::size_t n) {
    QuantileDesign<T> d;
    d.n = n;
    d.k = int(cols.size());
    d.x.resize(n * cols.size());
    d.y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        d.y[i] = T(y[i]);
        for (std::size_t j = 0; j < cols.size(); ++j)
            d.x[i * cols.size() + j] = cols[j] == nullptr ? T(1) : T(cols[j][i]);
    }
    return d;
}

template <class T>
T row_dot(const T* a, const std::vector<T>& b) {
    T s = 0;
    for (std::size_t j = 0; j < b.size(); ++j) s += a[j] * b[j];
    return s;
}

// The rows in order of their least-squares residuals' size (nearest the fit first), so that
// the simplex starts near the optimum; in their own order when the normal equations fail.
std::vector<std::size_t> rows_near_least_squares(const QuantileDesign<double>& d) {
    const std::size_t k = std::size_t(d.k);
    std::vector<std::size_t> order(d.n);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::vector<double> m(k * k, 0.0), b(k, 0.0);
    for (std::size_t i = 0; i < d.n; ++i) {
        const double* xi = d.row(i);
        for (std::size_t a = 0; a < k; ++a) {
            b[a] += xi[a] * d.y[i];
            for (std::size_t c = 0; c <= a; ++c) m[a * k + c] += xi[a] * xi[c];
        }
    }
    for (std::size_t c = 0; c < k; ++c) { // Cholesky, lower triangle in place
        for (std::size_t a = c; a < k; ++a) {
            double v = m[a * k + c];
            for (std::size_t j = 0; j < c; ++j) v -= m[a * k + j] * m[c * k + j];
            if (a == c) {
                if (!(v > 1e-12 * (m[c * k + c] + 1e-300))) return order;
                m[c * k + c] = std::sqrt(v);
            } else {
                m[a * k + c] = v / m[c * k + c];
            }
        }
    }
    for (std::size_t a = 0; a < k; ++a) {
        for (std::size_t j = 0; j < a; ++j) b[a] -= m[a * k + j] * b[j];
        b[a] /= m[a * k + a];
    }
    for (std::size_t a = k; a-- > 0;) {
        for (std::size_t j = a + 1; j < k; ++j) b[a] -= m[j * k + a] * b[j];
        b[a] /= m[a * k + a];
    }
    std::vector<double> size(d.n);
    for (std::size_t i = 0; i < d.n; ++i) size[i] = std::fabs(d.y[i] - row_dot(d.row(i), b));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t p, std::size_t q) { return size[p] < size[q]; });
    return order;
}

// K observations whose rows are linearly independent, taken in the order of
// rows_near_least_squares (Gram-Schmidt in double with a relative tolerance; the binary128
// stage factors the basis again). Empty when there are none.
std::vector<std::size_t> first_independent_rows(const QuantileDesign<double>& d) {
    const int k = d.k;
    std::vector<std::vector<double>> q;
    std::vector<std::size_t> rows;
    for (const std::size_t i : rows_near_least_squares(d)) {
        if (int(rows.size()) == k) break;
        std::vector<double> v(d.row(i), d.row(i) + k);
        double norm0 = 0;
        for (double e : v) norm0 += e * e;
        if (norm0 == 0) continue;
        for (int pass = 0; pass < 2; ++pass)
            for (const auto& u : q) {
                double s = 0;
                for (int j = 0; j < k; ++j) s += u[std::size_t(j)] * v[std::size_t(j)];
                for (int j = 0; j < k; ++j) v[std::size_t(j)] -= s * u[std::size_t(j)];
            }
        double norm = 0;
        for (double e : v) norm += e * e;
        if (norm <= 1e-20 * norm0) continue;
        for (double& e : v) e /= std::sqrt(norm);
        q.push_back(std::move(v));
        rows.push_back(i);
    }
    if (int(rows.size()) < k) rows.clear();
    return rows;
}

enum class StepEnd { OPTIMAL, SINGULAR, UNBOUNDED, LIMIT };

template <class T>
struct SimplexState {
    std::vector<std::size_t> basis;
    std::vector<T> coef, resid, duals;
};

template <class T>
struct QuantileKink {
    T t, w;
    std::size_t i;
};

// Along the edge that frees basic observation `leave`: the observation that enters (the kink
// where the objective stops falling), n when it falls without end, n + 1 when the objective
// does not fall along it at all.
template <class T, class Kink>
std::size_t edge_entering(const QuantileDesign<T>& d, T tau, const SimplexState<T>& s,
                          const std::vector<char>& basic, const QuantileLu<T>& lu, int leave,
                          std::vector<Kink>& kinks) {
    const int k = d.k;
    const std::size_t n = d.n;
    // The edge that frees basic observation `leave`: its residual turns negative (sign +1)
    // when its dual is below tau - 1, positive otherwise.
    const T dj = s.duals[std::size_t(leave)];
    const T sign = dj < tau - 1 ? T(1) : T(-1);
    std::vector<T> e(std::size_t(k), T(0));
    e[std::size_t(leave)] = sign;
    const std::vector<T> v = lu.solve(e);
    T slope = sign > 0 ? dj + (1 - tau) : tau - dj; // negative
    kinks.clear();
    for (std::size_t i = 0; i < n; ++i) {
        if (basic[i]) continue;
        const T ai = row_dot(d.row(i), v);
        if (ai == T(0)) continue;
        const T r = s.resid[i];
        if (r == T(0)) {
            kinks.push_back({T(0), ai > 0 ? (1 - tau) * ai : -tau * ai, i});
        } else {
            const T t = r / ai;
            if (t > 0) kinks.push_back({t, ai < 0 ? -ai : ai, i});
        }
    }
    // The kinks in order of t, a block at a time: the first few nearly always end the
    // search, so the rest need not be sorted.
    const auto earlier = [](const Kink& p, const Kink& q) {
        return p.t < q.t || (p.t == q.t && p.i < q.i);
    };
    std::size_t enter = n, done = 0, block = 64;
    while (enter == n && done < kinks.size()) {
        const auto first = kinks.begin() + std::ptrdiff_t(done);
        const std::size_t take = std::min(block, kinks.size() - done);
        const auto last = first + std::ptrdiff_t(take);
        std::nth_element(first, last - 1, kinks.end(), earlier);
        std::sort(first, last, earlier);
        for (auto it = first; it != last; ++it) {
            slope += it->w;
            if (slope >= 0) {
                if (it->t == T(0)) return n + 1;
                enter = it->i;
                break;
            }
        }
        done += take;
        block *= 4;
    }
    return enter;
}

// Simplex steps from `s.basis` until every dual value lies within [tau - 1 - tol, tau + tol].
template <class T>
StepEnd simplex_steps(const QuantileDesign<T>& d, T tau, T tol, SimplexState<T>& s, int& pivots,
                      int max_pivots) {
    const int k = d.k;
    const std::size_t n = d.n;
    std::vector<char> basic(n, 0);
    std::vector<QuantileKink<T>> kinks;
    // At a degenerate vertex the steps can circle without lowering the objective; after a run
    // of such steps they stop and the dual stage, which cannot circle, takes over.
    T best = -1;
    int still = 0;
    for (;;) {
        std::fill(basic.begin(), basic.end(), char(0));
        std::vector<T> m(static_cast<std::size_t>(k * k));
        std::vector<T> yh(static_cast<std::size_t>(k));
        for (int r = 0; r < k; ++r) {
            const std::size_t i = s.basis[std::size_t(r)];
            basic[i] = 1;
            std::copy(d.row(i), d.row(i) + k, m.begin() + std::ptrdiff_t(r) * k);
            yh[std::size_t(r)] = d.y[i];
        }
        QuantileLu<T> lu;
        if (!lu.factor(std::move(m), k)) return StepEnd::SINGULAR;
        s.coef = lu.solve(yh);
        s.resid.resize(n);
        std::vector<T> g(std::size_t(k), T(0));
        for (std::size_t i = 0; i < n; ++i) {
            if (basic[i]) {
                s.resid[i] = 0;
                continue;
            }
            const T r = d.y[i] - row_dot(d.row(i), s.coef);
            s.resid[i] = r;
            if (r == T(0)) continue;
            const T psi = r > 0 ? tau : tau - 1;
            const T* xi = d.row(i);
            for (int j = 0; j < k; ++j) g[std::size_t(j)] += psi * xi[j];
        }
        T objective = 0;
        for (std::size_t i = 0; i < n; ++i)
            objective += s.resid[i] < 0 ? s.resid[i] * (tau - 1) : s.resid[i] * tau;
        still = (best < 0 || objective < best) ? 0 : still + 1;
        if (best < 0 || objective < best) best = objective;
        if (still > 2 * k + 4) return StepEnd::LIMIT;
        s.duals = lu.solve_transposed(g);
        for (T& v : s.duals) v = -v;
        // The duals outside their bounds, furthest first. An edge along which the objective
        // does not fall at all (ties leave residuals at zero off the basis, and their check
        // losses hold the objective up from the first step) is passed over; when every edge
        // is such, no edge from the vertex descends and it is taken as the optimum.
        std::vector<std::pair<T, int>> violating;
        for (int j = 0; j < k; ++j) {
            const T dj = s.duals[std::size_t(j)];
            const T violation = std::max(tau - 1 - dj, dj - tau);
            if (violation > tol) violating.push_back({violation, j});
        }
        std::sort(violating.begin(), violating.end(), [](const auto& p, const auto& q) {
            return p.first > q.first || (p.first == q.first && p.second < q.second);
        });
        if (violating.empty()) return StepEnd::OPTIMAL;
        if (pivots >= max_pivots) return StepEnd::LIMIT;
        std::size_t enter = n;
        int leave = -1;
        bool unbounded = false;
        for (const auto& candidate : violating) {
            leave = candidate.second;
            const std::size_t found = edge_entering(d, tau, s, basic, lu, leave, kinks);
            if (found == n) {
                unbounded = true;
                break;
            }
            if (found != n + 1) {
                enter = found;
                break;
            }
        }
        if (unbounded) return StepEnd::UNBOUNDED;
        if (enter == n) return StepEnd::OPTIMAL;
        s.basis[std::size_t(leave)] = enter;
        ++pivots;
    }
}

} // namespace

QuantileFit fit_quantile(const std::vector<const Real*>& x, const Real* y, std::size_t n, Real tau,
                         int max_pivots) {
    QuantileFit fit;
    const int k = int(x.size());
    if (k == 0 || n < std::size_t(k)) {
        fit.end = QuantileEnd::DEGENERATE;
        return fit;
    }
    std::vector<std::size_t> start;
    {
        const QuantileDesign<double> dd = quantile_design<double>(x, y, n);
        start = first_independent_rows(dd);
        if (start.empty()) {
            fit.end = QuantileEnd::DEGENERATE;
            return fit;
        }
        SimplexState<double> sd;
        sd.basis = start;
        const StepEnd end =
            simplex_steps<double>(dd, double(tau), 1e-12, sd, fit.pivots, max_pivots);
        // Double's steps only choose a basis; a failure there leaves the first one.
        if (end == StepEnd::OPTIMAL || end == StepEnd::LIMIT) start = sd.basis;
    }
    const QuantileDesign<Real> dq = quantile_design<Real>(x, y, n);
    SimplexState<Real> sq;
    sq.basis = start;
    // Dual values within binary128's rounding of the bounds count as on them.
    const StepEnd end = simplex_steps<Real>(dq, tau, Real(1e-28Q), sq, fit.pivots, max_pivots);
    // The primal steps end where no edge from the vertex descends, which at a degenerate
    // vertex need not be the optimum: the dual stage finishes from their basis (from the
    // first one when they broke down) and proves the optimum it reaches.
    if (end == StepEnd::SINGULAR || end == StepEnd::UNBOUNDED) sq.basis = start;
    const QuantileProblem problem{dq.x.data(), dq.y.data(), n, k, tau};
    QuantileVertex vertex;
    vertex.basis = sq.basis;
    int dual_pivots = 0;
    DualEnd dual_end = finish_quantile_dual(problem, vertex, dual_pivots, max_pivots);
    // From another start where the first run ends without its proof.
    if (dual_end != DualEnd::OPTIMAL || !quantile_vertex_is_optimal(problem, vertex)) {
        vertex = QuantileVertex{};
        vertex.basis = start;
        dual_end = finish_quantile_dual(problem, vertex, dual_pivots, max_pivots);
    }
    fit.pivots += dual_pivots;
    if (dual_end == DualEnd::SINGULAR) {
        fit.end = QuantileEnd::DEGENERATE;
        return fit;
    }
    // A vertex without its proof is never returned: it ends as a failure to reach the optimum.
    if (dual_end == DualEnd::LIMIT || !quantile_vertex_is_optimal(problem, vertex)) {
        fit.end = QuantileEnd::ITERATION_LIMIT;
        return fit;
    }
    fit.coef = vertex.coef;
    fit.residuals = vertex.resid;
    std::vector<std::size_t> order(static_cast<std::size_t>(k));
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(),
              [&](std::size_t p, std::size_t q) { return vertex.basis[p] < vertex.basis[q]; });
    for (std::size_t j : order) {
        fit.basis.push_back(vertex.basis[j]);
        fit.duals.push_back(vertex.a[vertex.basis[j]] - (1 - tau));
    }
    for (const Real r : fit.residuals) fit.objective += check_loss(r, tau);
    return fit;
}

} // namespace tarvex
