// The bounded dual simplex that ends a quantile regression, and the check of its optimum.
#include "regress/robust/quantile_dual.hpp"

#include "regress/robust/quantile_lu.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Residuals this small beside the size of the terms that make them are rounding: zero.
constexpr Real kZeroResidual = 1e-28Q;
// Dual values this far outside [0, 1] are rounding: on the bound.
constexpr Real kDualSlack = 1e-28Q;
// Steps that do not raise the objective before entering and leaving go by the lowest index.
constexpr int kDegenerateRun = 20;

Real dual_abs(Real v) {
    return v < 0 ? -v : v;
}

Real dot_row(const Real* row, const std::vector<Real>& b) {
    Real s = 0;
    for (std::size_t j = 0; j < b.size(); ++j) s += row[j] * b[j];
    return s;
}

// The size of the terms of x_i'b (and y_i beside them): the scale a residual's rounding has.
Real residual_scale(const Real* row, Real y, const std::vector<Real>& b) {
    Real s = dual_abs(y);
    for (std::size_t j = 0; j < b.size(); ++j) s += dual_abs(row[j] * b[j]);
    return s;
}

// The largest response in size. The coefficients solved from the basis carry rounding of the
// basis's responses, so a residual's rounding is never below theirs: a row of zeros, whose own
// terms all vanish, still shows the rounding of the intercept.
Real response_scale(const QuantileProblem& p) {
    Real s = 0;
    for (std::size_t i = 0; i < p.n; ++i) s = std::max(s, dual_abs(p.y[i]));
    return s;
}

// The sign of the residual: 0 within rounding.
int residual_sign(const QuantileProblem& p, std::size_t i, Real r, const std::vector<Real>& b,
                  Real y_scale) {
    const Real tol = kZeroResidual * (residual_scale(p.row(i), p.y[i], b) + y_scale);
    return r > tol ? 1 : (r < -tol ? -1 : 0);
}

// (1 - tau) X'1, the right side of the dual's constraints.
std::vector<Real> dual_right_side(const QuantileProblem& p) {
    std::vector<Real> c(std::size_t(p.k), Real(0));
    for (std::size_t i = 0; i < p.n; ++i)
        for (int j = 0; j < p.k; ++j) c[std::size_t(j)] += p.row(i)[j];
    for (Real& v : c) v *= 1 - p.tau;
    return c;
}

bool factor_basis(const QuantileProblem& p, const std::vector<std::size_t>& basis,
                  QuantileLu<Real>& lu) {
    std::vector<Real> m(std::size_t(p.k) * std::size_t(p.k));
    for (int r = 0; r < p.k; ++r)
        std::copy(p.row(basis[std::size_t(r)]), p.row(basis[std::size_t(r)]) + p.k,
                  m.begin() + std::ptrdiff_t(r) * p.k);
    return lu.factor(std::move(m), p.k);
}

// The basic dual values from the nonbasic ones: X_h'a_h = c - X_N'a_N.
std::vector<Real> basic_duals(const QuantileProblem& p, const std::vector<Real>& c,
                              const std::vector<char>& basic, const std::vector<Real>& a,
                              const QuantileLu<Real>& lu) {
    std::vector<Real> rhs = c;
    for (std::size_t i = 0; i < p.n; ++i) {
        if (basic[i] || a[i] == Real(0)) continue;
        const Real* xi = p.row(i);
        for (int j = 0; j < p.k; ++j) rhs[std::size_t(j)] -= xi[j] * a[i];
    }
    return lu.solve_transposed(rhs);
}

struct DualEntering {
    std::size_t i = 0;
    int dir = 0; // +1: a_i rises from 0; -1: it falls from 1
};

// The nonbasic observation to enter: the one whose price `score` (times its direction) is the
// largest, or, in a run of steps that do not move, the lowest eligible index.
template <class Score>
DualEntering choose_entering(const QuantileProblem& p, const std::vector<char>& basic,
                             const std::vector<Real>& a, bool lowest_index, Score score) {
    DualEntering best;
    Real best_gain = 0;
    for (std::size_t i = 0; i < p.n; ++i) {
        if (basic[i]) continue;
        const int sign = score(i); // the sign of the price, 0 within rounding
        const int dir = a[i] == Real(0) ? 1 : -1;
        if (sign != dir) continue;
        if (lowest_index) return {i, dir};
        const Real gain = score.size(i);
        if (best.dir == 0 || gain > best_gain) {
            best = {i, dir};
            best_gain = gain;
        }
    }
    return best;
}

struct DualLeaving {
    int row = -1;   // -1: the entering value moves to its other bound
    Real bound = 0; // the bound the leaving value stops at
    Real step = 1;
};

// The ratio test: how far the entering value can move before a basic value meets a bound (in
// the first phase, a value outside [0, 1] may move on away from it but stops on reaching it).
DualLeaving choose_leaving(const std::vector<std::size_t>& basis, const std::vector<Real>& ah,
                           const std::vector<Real>& w, int dir, bool first_phase,
                           bool lowest_index) {
    DualLeaving out;
    Real out_size = 0, largest = 0;
    for (const Real e : w) largest = std::max(largest, dual_abs(e));
    for (std::size_t r = 0; r < ah.size(); ++r) {
        const Real delta = -Real(dir) * w[r]; // the change of a_h[r] a unit step
        // A change at rounding's size is none: pivoting on it would make the basis singular.
        if (dual_abs(delta) <= 1e-26Q * largest) continue;
        const Real v = ah[r];
        Real limit = 0, bound = 0;
        const bool below = v<-kDualSlack, above = v> 1 + kDualSlack;
        if (first_phase && below) {
            if (delta < 0) continue;
            limit = -v / delta;
            bound = 0;
        } else if (first_phase && above) {
            if (delta > 0) continue;
            limit = (v - 1) / -delta;
            bound = 1;
        } else if (delta > 0) {
            limit = (1 - v) / delta;
            bound = 1;
        } else {
            limit = v / -delta;
            bound = 0;
        }
        if (limit < 0) limit = 0;
        const Real size = dual_abs(delta);
        bool better = limit < out.step;
        if (limit == out.step && out.row >= 0)
            better = lowest_index ? basis[r] < basis[std::size_t(out.row)] : size > out_size;
        if (better) {
            out = {int(r), bound, limit};
            out_size = size;
        }
    }
    return out;
}

} // namespace

DualEnd finish_quantile_dual(const QuantileProblem& p, QuantileVertex& v, int& pivots,
                             int max_pivots) {
    const std::size_t n = p.n;
    const std::vector<Real> c = dual_right_side(p);
    const Real y_scale = response_scale(p);
    std::vector<char> basic(n, 0);
    for (const std::size_t i : v.basis) basic[i] = 1;
    QuantileLu<Real> lu;
    if (!factor_basis(p, v.basis, lu)) return DualEnd::SINGULAR;
    // The nonbasic values from the signs of the residuals at the starting vertex; one the fit
    // passes through takes the bound nearer 1 - tau.
    std::vector<Real> yh(static_cast<std::size_t>(p.k));
    for (int r = 0; r < p.k; ++r) yh[std::size_t(r)] = p.y[v.basis[std::size_t(r)]];
    v.coef = lu.solve(yh);
    v.a.assign(n, Real(0));
    for (std::size_t i = 0; i < n; ++i) {
        if (basic[i]) continue;
        const int s = residual_sign(p, i, p.y[i] - dot_row(p.row(i), v.coef), v.coef, y_scale);
        v.a[i] = s > 0 ? Real(1) : (s < 0 ? Real(0) : (p.tau < 0.5Q ? Real(1) : Real(0)));
    }
    int still = 0; // steps in a row that did not move
    for (;;) {
        std::vector<Real> ah = basic_duals(p, c, basic, v.a, lu);
        for (int r = 0; r < p.k; ++r) yh[std::size_t(r)] = p.y[v.basis[std::size_t(r)]];
        v.coef = lu.solve(yh);
        std::vector<Real> g(static_cast<std::size_t>(p.k), Real(0));
        bool first_phase = false;
        for (std::size_t r = 0; r < ah.size(); ++r) {
            if (ah[r] < -kDualSlack) g[r] = -1;
            if (ah[r] > 1 + kDualSlack) g[r] = 1;
            first_phase = first_phase || g[r] != Real(0);
        }
        const bool lowest_index = still >= kDegenerateRun;
        DualEntering in;
        if (first_phase) {
            // The distance outside [0, 1] falls by d_i = x_i'X_h^{-1} g a unit rise of a_i.
            const std::vector<Real> dv = lu.solve(g);
            struct {
                const QuantileProblem& p;
                const std::vector<Real>& dv;
                Real price(std::size_t i) const { return dot_row(p.row(i), dv); }
                int operator()(std::size_t i) const {
                    const Real d = price(i);
                    const Real tol = kZeroResidual * residual_scale(p.row(i), 0, dv);
                    return d > tol ? 1 : (d < -tol ? -1 : 0);
                }
                Real size(std::size_t i) const { return dual_abs(price(i)); }
            } score{p, dv};
            in = choose_entering(p, basic, v.a, lowest_index, score);
            // Nothing lowers the distance: the constraints cannot be met, which (1 - tau) 1
            // disproves; only rounding can bring this about.
            if (in.dir == 0) return DualEnd::LIMIT;
        } else {
            // y'a rises by the residual r_i a unit rise of a_i.
            struct {
                const QuantileProblem& p;
                const std::vector<Real>& b;
                Real y_scale;
                Real price(std::size_t i) const { return p.y[i] - dot_row(p.row(i), b); }
                int operator()(std::size_t i) const {
                    return residual_sign(p, i, price(i), b, y_scale);
                }
                Real size(std::size_t i) const {
                    return dual_abs(price(i)) / (residual_scale(p.row(i), p.y[i], b) + 1);
                }
            } score{p, v.coef, y_scale};
            in = choose_entering(p, basic, v.a, lowest_index, score);
            if (in.dir == 0) {
                v.resid.assign(n, Real(0));
                for (std::size_t i = 0; i < n; ++i)
                    if (!basic[i]) v.resid[i] = p.y[i] - dot_row(p.row(i), v.coef);
                for (int r = 0; r < p.k; ++r) v.a[v.basis[std::size_t(r)]] = ah[std::size_t(r)];
                return DualEnd::OPTIMAL;
            }
        }
        if (pivots >= max_pivots) return DualEnd::LIMIT;
        ++pivots;
        const std::vector<Real> xi(p.row(in.i), p.row(in.i) + p.k);
        const std::vector<Real> w = lu.solve_transposed(xi);
        const DualLeaving out = choose_leaving(v.basis, ah, w, in.dir, first_phase, lowest_index);
        still = out.step > 0 ? 0 : still + 1;
        if (out.row < 0) {
            v.a[in.i] = in.dir > 0 ? Real(1) : Real(0);
            continue;
        }
        const std::size_t leaving = v.basis[std::size_t(out.row)];
        v.a[leaving] = out.bound;
        basic[leaving] = 0;
        basic[in.i] = 1;
        v.a[in.i] = 0; // basic: its value comes from the solve
        v.basis[std::size_t(out.row)] = in.i;
        if (!factor_basis(p, v.basis, lu)) return DualEnd::SINGULAR;
    }
}

bool quantile_vertex_is_optimal(const QuantileProblem& p, const QuantileVertex& v) {
    const std::size_t n = p.n;
    if (v.coef.size() != std::size_t(p.k) || v.resid.size() != n || v.a.size() != n) return false;
    // The looser tolerances of the check leave room for the finishing stage's own rounding.
    const Real slack = 100 * kDualSlack;
    std::vector<Real> xa(static_cast<std::size_t>(p.k), Real(0)), size(xa);
    const std::vector<Real> c = dual_right_side(p);
    const Real y_scale = response_scale(p);
    std::vector<char> basic(n, 0);
    for (const std::size_t i : v.basis) basic[i] = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const Real* xi = p.row(i);
        const Real r = p.y[i] - dot_row(xi, v.coef);
        const Real tol = 100 * kZeroResidual * (residual_scale(xi, p.y[i], v.coef) + y_scale);
        if (dual_abs(r - v.resid[i]) > tol) return false;
        if (basic[i] && dual_abs(r) > tol) return false; // the fit passes through its basis
        const Real ai = v.a[i];
        if (ai < -slack || ai > 1 + slack) return false;
        if (r > tol && ai < 1 - slack) return false;
        if (r < -tol && ai > slack) return false;
        for (int j = 0; j < p.k; ++j) {
            xa[std::size_t(j)] += xi[j] * ai;
            size[std::size_t(j)] += dual_abs(xi[j]);
        }
    }
    for (int j = 0; j < p.k; ++j)
        if (dual_abs(xa[std::size_t(j)] - c[std::size_t(j)]) > slack * (size[std::size_t(j)] + 1))
            return false;
    return true;
}

} // namespace tarvex
