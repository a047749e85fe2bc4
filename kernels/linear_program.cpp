// The bounded-variable primal simplex behind linear programs, its binary128 certificate and the
// continuation in binary128 when the certificate fails.
//
// Standard form: every row i gets a slack s_i with a_i'x + s_i = b_i (s_i >= 0 for <=, s_i <= 0
// for >=, s_i = 0 for =) and an artificial t_i >= 0 entering as sigma_i t_i, sigma_i = +-1. The
// first basis holds, row by row, the slack when it can take the row's residual and the
// artificial otherwise; phase 1 drives the artificials to zero, phase 2 fixes them at zero and
// optimises. The basis inverse is kept dense and updated by one elimination step per pivot.
#include "kernels/linear_program.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvex {

namespace {

const Real LP_INFINITY = __builtin_huge_valq();

enum class Place : unsigned char { BASIC, LOWER, UPPER, FREE };

// Where the simplex stands: the basic variable of each row and the bound every other variable
// sits at. The double run hands it to the binary128 certificate and continuation.
struct SimplexState {
    std::vector<int> head;
    std::vector<Place> place;
};

enum class SimplexEnd { OPTIMAL, UNBOUNDED, INFEASIBLE, LIMIT, SINGULAR };

template <class T>
struct SimplexTolerance;
template <>
struct SimplexTolerance<double> {
    static constexpr double feasible = 1e-9, pivot = 1e-9, price = 1e-9;
};
template <>
struct SimplexTolerance<Real> {
    static constexpr Real feasible = 1e-28Q, pivot = 1e-28Q, price = 1e-28Q;
};

template <class T>
T lp_to(Real v) {
    return static_cast<T>(v);
}

template <class T>
T lp_infinity() {
    return std::numeric_limits<T>::infinity();
}
template <>
Real lp_infinity<Real>() {
    return LP_INFINITY;
}

template <class T>
T lp_abs(T v) {
    return v < 0 ? -v : v;
}

template <class T>
bool lp_finite(T v) {
    return v < lp_infinity<T>() && v > -lp_infinity<T>();
}

// The simplex in number type T on the standard form of `p`.
template <class T>
class BoundedSimplex {
public:
    BoundedSimplex(const LinearProgram& p, const std::vector<Real>& sigma)
        : p_(p), m_(p.rows), n_(p.cols), total_(p.cols + 2 * p.rows) {
        const std::size_t m = std::size_t(m_), n = std::size_t(n_);
        acol_.resize(m * n);
        for (std::size_t i = 0; i < m; ++i)
            for (std::size_t j = 0; j < n; ++j) acol_[j * m + i] = lp_to<T>(p.a[i * n + j]);
        lo_.resize(std::size_t(total_));
        up_.resize(std::size_t(total_));
        cost2_.assign(std::size_t(total_), T(0));
        cost1_.assign(std::size_t(total_), T(0));
        sigma_.resize(m);
        b_.resize(m);
        for (std::size_t j = 0; j < n; ++j) {
            lo_[j] = lp_to<T>(p.lower[j]);
            up_[j] = lp_to<T>(p.upper[j]);
            cost2_[j] = lp_to<T>(p.maximise ? -p.c[j] : p.c[j]);
        }
        for (std::size_t i = 0; i < m; ++i) {
            const RowSense s = p.sense[i];
            lo_[n + i] = s == RowSense::AT_LEAST ? -lp_infinity<T>() : T(0);
            up_[n + i] = s == RowSense::AT_MOST ? lp_infinity<T>() : T(0);
            lo_[n + m + i] = 0;
            up_[n + m + i] = lp_infinity<T>();
            cost1_[n + m + i] = 1;
            sigma_[i] = lp_to<T>(sigma[i]);
            b_[i] = lp_to<T>(p.b[i]);
        }
        for (T v : cost2_) cost_scale_ = std::max(cost_scale_, lp_abs(v));
        for (T v : b_) rhs_scale_ = std::max(rhs_scale_, lp_abs(v));
    }

    // Starts from `state`; false when its basis is singular in T.
    bool start(const SimplexState& state) {
        state_ = state;
        return invert_basis() && (recompute_values(), true);
    }

    // Phase 1 and phase 2 from the current basis.
    SimplexEnd solve() {
        const SimplexEnd one = optimise(cost1_);
        if (one != SimplexEnd::OPTIMAL) return one;
        T infeasibility = 0;
        for (int i = 0; i < m_; ++i) infeasibility += x_[std::size_t(n_ + m_ + i)];
        if (infeasibility > SimplexTolerance<T>::feasible * rhs_scale_)
            return SimplexEnd::INFEASIBLE;
        for (int i = 0; i < m_; ++i) up_[std::size_t(n_ + m_ + i)] = 0;
        return optimise(cost2_);
    }

    const SimplexState& state() const { return state_; }
    const std::vector<T>& inverse() const { return binv_; }
    long long iterations() const { return iterations_; }

private:
    T value_at(int j) const {
        switch (state_.place[std::size_t(j)]) {
        case Place::LOWER:
            return lo_[std::size_t(j)];
        case Place::UPPER:
            return up_[std::size_t(j)];
        default:
            return T(0);
        }
    }

    // Column j of the standard form into `col` (m values).
    void column(int j, std::vector<T>& col) const {
        const std::size_t m = std::size_t(m_);
        if (j < n_) {
            std::copy_n(acol_.begin() + std::ptrdiff_t(std::size_t(j) * m), m, col.begin());
            return;
        }
        std::fill(col.begin(), col.end(), T(0));
        const int i = j < n_ + m_ ? j - n_ : j - n_ - m_;
        col[std::size_t(i)] = j < n_ + m_ ? T(1) : sigma_[std::size_t(i)];
    }

    // The dense basis inverse by Gauss-Jordan elimination with partial pivoting.
    bool invert_basis() {
        const std::size_t m = std::size_t(m_);
        std::vector<T> work(m * m), col(m);
        for (std::size_t k = 0; k < m; ++k) {
            column(state_.head[k], col);
            for (std::size_t i = 0; i < m; ++i) work[i * m + k] = col[i];
        }
        binv_.assign(m * m, T(0));
        for (std::size_t i = 0; i < m; ++i) binv_[i * m + i] = 1;
        for (std::size_t k = 0; k < m; ++k) {
            std::size_t best = k;
            for (std::size_t i = k + 1; i < m; ++i)
                if (lp_abs(work[i * m + k]) > lp_abs(work[best * m + k])) best = i;
            if (!(lp_abs(work[best * m + k]) > T(0))) return false;
            if (best != k)
                for (std::size_t c = 0; c < m; ++c) {
                    std::swap(work[k * m + c], work[best * m + c]);
                    std::swap(binv_[k * m + c], binv_[best * m + c]);
                }
            const T inv = T(1) / work[k * m + k];
            for (std::size_t c = 0; c < m; ++c) {
                work[k * m + c] *= inv;
                binv_[k * m + c] *= inv;
            }
            for (std::size_t i = 0; i < m; ++i) {
                const T f = work[i * m + k];
                if (i == k || f == T(0)) continue;
                for (std::size_t c = 0; c < m; ++c) {
                    work[i * m + c] -= f * work[k * m + c];
                    binv_[i * m + c] -= f * binv_[k * m + c];
                }
            }
        }
        return true;
    }

    // x_N at its bounds and x_B = B^-1 (b - N x_N).
    void recompute_values() {
        const std::size_t m = std::size_t(m_);
        x_.assign(std::size_t(total_), T(0));
        std::vector<T> rhs(b_);
        for (int j = 0; j < total_; ++j) {
            if (state_.place[std::size_t(j)] == Place::BASIC) continue;
            const T v = value_at(j);
            x_[std::size_t(j)] = v;
            if (v == T(0)) continue;
            if (j < n_) {
                const T* a = &acol_[std::size_t(j) * m];
                for (std::size_t i = 0; i < m; ++i) rhs[i] -= a[i] * v;
            } else if (j < n_ + m_) {
                rhs[std::size_t(j - n_)] -= v;
            } else {
                rhs[std::size_t(j - n_ - m_)] -= sigma_[std::size_t(j - n_ - m_)] * v;
            }
        }
        for (std::size_t i = 0; i < m; ++i) {
            T s = 0;
            for (std::size_t k = 0; k < m; ++k) s += binv_[i * m + k] * rhs[k];
            x_[std::size_t(state_.head[i])] = s;
        }
    }

    SimplexEnd optimise(const std::vector<T>& cost) {
        const std::size_t m = std::size_t(m_);
        const T price_tol = SimplexTolerance<T>::price * std::max(T(1), cost_scale_);
        const T pivot_tol = SimplexTolerance<T>::pivot;
        const T flat = SimplexTolerance<T>::feasible * std::max(T(1), rhs_scale_);
        std::vector<T> y(m), alpha(m), col(m);
        int degenerate_run = 0;
        const long long limit = p_.pivot_limit > 0 ? p_.pivot_limit : default_pivot_limit(m_, n_);
        for (long long step = 0;; ++step) {
            if (step >= limit) return SimplexEnd::LIMIT;
            if (step > 0 && step % 100 == 0) recompute_values();
            const bool bland = degenerate_run > 30;
            std::fill(y.begin(), y.end(), T(0));
            for (std::size_t i = 0; i < m; ++i) {
                const T cb = cost[std::size_t(state_.head[i])];
                if (cb == T(0)) continue;
                const T* row = &binv_[i * m];
                for (std::size_t k = 0; k < m; ++k) y[k] += cb * row[k];
            }
            int enter = -1;
            T enter_d = 0;
            for (int j = 0; j < total_ && !(bland && enter >= 0); ++j) {
                const Place pl = state_.place[std::size_t(j)];
                if (pl == Place::BASIC || !(lo_[std::size_t(j)] < up_[std::size_t(j)])) continue;
                T d = cost[std::size_t(j)];
                if (j < n_) {
                    const T* a = &acol_[std::size_t(j) * m];
                    for (std::size_t i = 0; i < m; ++i) d -= y[i] * a[i];
                } else if (j < n_ + m_) {
                    d -= y[std::size_t(j - n_)];
                } else {
                    d -= sigma_[std::size_t(j - n_ - m_)] * y[std::size_t(j - n_ - m_)];
                }
                const bool up_ok = (pl == Place::LOWER || pl == Place::FREE) && d < -price_tol;
                const bool down_ok = (pl == Place::UPPER || pl == Place::FREE) && d > price_tol;
                if ((up_ok || down_ok) && (enter < 0 || lp_abs(d) > lp_abs(enter_d))) {
                    enter = j;
                    enter_d = d;
                }
            }
            if (enter < 0) return SimplexEnd::OPTIMAL;
            const T dir = enter_d < 0 ? T(1) : T(-1);
            column(enter, col);
            for (std::size_t i = 0; i < m; ++i) {
                T s = 0;
                const T* row = &binv_[i * m];
                if (enter < n_) {
                    for (std::size_t k = 0; k < m; ++k) s += row[k] * col[k];
                } else {
                    const std::size_t r =
                        std::size_t(enter < n_ + m_ ? enter - n_ : enter - n_ - m_);
                    s = row[r] * col[r];
                }
                alpha[i] = s;
            }
            int leave = -1;
            Place leave_to = Place::LOWER;
            T best = lp_infinity<T>();
            for (std::size_t i = 0; i < m; ++i) {
                const T a = dir * alpha[i];
                if (lp_abs(a) <= pivot_tol) continue;
                const int k = state_.head[i];
                const T xk = x_[std::size_t(k)];
                T t;
                Place to;
                if (a > 0) {
                    if (!lp_finite(lo_[std::size_t(k)])) continue;
                    t = (xk - lo_[std::size_t(k)]) / a;
                    to = Place::LOWER;
                } else {
                    if (!lp_finite(up_[std::size_t(k)])) continue;
                    t = (up_[std::size_t(k)] - xk) / -a;
                    to = Place::UPPER;
                }
                if (t < 0) t = 0;
                bool take = leave < 0 || t < best;
                if (leave >= 0 && t == best) {
                    const int other = state_.head[std::size_t(leave)];
                    take = bland ? k < other : lp_abs(alpha[i]) > lp_abs(alpha[std::size_t(leave)]);
                }
                if (take) {
                    leave = int(i);
                    leave_to = to;
                    best = t;
                }
            }
            const T span = up_[std::size_t(enter)] - lo_[std::size_t(enter)];
            const bool flip = lp_finite(span) && (leave < 0 || span <= best);
            if (leave < 0 && !flip) return SimplexEnd::UNBOUNDED;
            const T theta = flip ? span : best;
            ++iterations_;
            degenerate_run = theta <= flat ? degenerate_run + 1 : 0;
            for (std::size_t i = 0; i < m; ++i)
                x_[std::size_t(state_.head[i])] -= dir * theta * alpha[i];
            x_[std::size_t(enter)] += dir * theta;
            if (flip) {
                state_.place[std::size_t(enter)] = dir > 0 ? Place::UPPER : Place::LOWER;
                x_[std::size_t(enter)] = value_at(enter);
                continue;
            }
            const std::size_t r = std::size_t(leave);
            const int out = state_.head[r];
            state_.place[std::size_t(out)] = leave_to;
            x_[std::size_t(out)] = value_at(out);
            state_.head[r] = enter;
            state_.place[std::size_t(enter)] = Place::BASIC;
            const T pivot = alpha[r];
            T* prow = &binv_[r * m];
            for (std::size_t k = 0; k < m; ++k) prow[k] /= pivot;
            for (std::size_t i = 0; i < m; ++i) {
                if (i == r || alpha[i] == T(0)) continue;
                const T f = alpha[i];
                T* row = &binv_[i * m];
                for (std::size_t k = 0; k < m; ++k) row[k] -= f * prow[k];
            }
        }
    }

    const LinearProgram& p_;
    int m_, n_, total_;
    std::vector<T> acol_, lo_, up_, cost1_, cost2_, sigma_, b_;
    T cost_scale_ = 0, rhs_scale_ = 0;
    SimplexState state_;
    std::vector<T> x_, binv_;
    long long iterations_ = 0;
};

// The first basis: nonbasic structurals at a finite bound (0 when free), each row's slack when
// it can take the residual, else the artificial with the residual's sign.
SimplexState starting_basis(const LinearProgram& p, std::vector<Real>& sigma) {
    const int m = p.rows, n = p.cols;
    SimplexState s;
    s.place.assign(std::size_t(n + 2 * m), Place::LOWER);
    s.head.resize(std::size_t(m));
    sigma.assign(std::size_t(m), Real(1));
    std::vector<Real> x(std::size_t(n), Real(0));
    for (int j = 0; j < n; ++j) {
        const Real l = p.lower[std::size_t(j)], u = p.upper[std::size_t(j)];
        if (!qm::isinf(l)) {
            x[std::size_t(j)] = l;
        } else if (!qm::isinf(u)) {
            x[std::size_t(j)] = u;
            s.place[std::size_t(j)] = Place::UPPER;
        } else {
            s.place[std::size_t(j)] = Place::FREE;
        }
    }
    ExactAccumulator acc;
    for (int i = 0; i < m; ++i) {
        const Real r = p.b[std::size_t(i)] -
                       acc.dot(&p.a[std::size_t(i) * std::size_t(n)], x.data(), std::size_t(n));
        const RowSense sense = p.sense[std::size_t(i)];
        const bool slack_takes = (sense == RowSense::AT_MOST && r >= 0) ||
                                 (sense == RowSense::AT_LEAST && r <= 0) || r == 0;
        const std::size_t slack = std::size_t(n + i), art = std::size_t(n + m + i);
        if (slack_takes) {
            s.head[std::size_t(i)] = int(slack);
            s.place[slack] = Place::BASIC;
        } else {
            s.place[slack] = sense == RowSense::AT_LEAST ? Place::UPPER : Place::LOWER;
            s.head[std::size_t(i)] = int(art);
            s.place[art] = Place::BASIC;
            sigma[std::size_t(i)] = r > 0 ? Real(1) : Real(-1);
        }
    }
    return s;
}

// The binary128 vertex, duals and reduced costs of a basis, the residuals of x_B and y formed
// exactly and corrected through the inverse `binv` (in T) until they settle; then the check
// that the basis is optimal. True with `out` filled when every condition holds.
template <class T>
bool certify_basis(const LinearProgram& p, const std::vector<Real>& sigma, const SimplexState& s,
                   const std::vector<T>& binv, LpSolution& out) {
    const std::size_t m = std::size_t(p.rows), n = std::size_t(p.cols), total = n + 2 * m;
    std::vector<Real> lo(total), up(total), cost(total, Real(0));
    for (std::size_t j = 0; j < n; ++j) {
        lo[j] = p.lower[j];
        up[j] = p.upper[j];
        cost[j] = p.maximise ? -p.c[j] : p.c[j];
    }
    for (std::size_t i = 0; i < m; ++i) {
        lo[n + i] = p.sense[i] == RowSense::AT_LEAST ? -LP_INFINITY : Real(0);
        up[n + i] = p.sense[i] == RowSense::AT_MOST ? LP_INFINITY : Real(0);
        lo[n + m + i] = up[n + m + i] = 0;
    }
    std::vector<Real> x(total, Real(0));
    for (std::size_t j = 0; j < total; ++j)
        if (s.place[j] == Place::LOWER)
            x[j] = lo[j];
        else if (s.place[j] == Place::UPPER)
            x[j] = up[j];
    for (std::size_t j = 0; j < total; ++j)
        if (s.place[j] != Place::BASIC && qm::isinf(x[j])) return false;
    ExactAccumulator acc;
    // r_i = b_i - a_i'x - s_i - sigma_i t_i, exactly then rounded once.
    auto row_residuals = [&](std::vector<Real>& r) {
        for (std::size_t i = 0; i < m; ++i) {
            acc.clear();
            acc.add_products(&p.a[i * n], x.data(), n);
            acc.add(x[n + i]);
            acc.add_product(sigma[i], x[n + m + i]);
            acc.add(-p.b[i]);
            r[i] = -acc.result();
        }
    };
    std::vector<Real> r(m), rho(m), y(m, Real(0)), colj(m);
    for (int round = 0; round < 12; ++round) {
        row_residuals(r);
        Real change = 0, size = 0;
        for (std::size_t i = 0; i < m; ++i) {
            T d = 0;
            for (std::size_t k = 0; k < m; ++k) d += binv[i * m + k] * lp_to<T>(r[k]);
            Real& xb = x[std::size_t(s.head[i])];
            xb += Real(d);
            change = std::max(change, qm::abs(Real(d)));
            size = std::max(size, qm::abs(xb));
        }
        if (change <= size * 1e-36Q) break;
    }
    // The column of a basic variable times y, exactly.
    auto column_dot = [&](int j, const std::vector<Real>& v) {
        if (std::size_t(j) < n) {
            for (std::size_t i = 0; i < m; ++i) colj[i] = p.a[i * n + std::size_t(j)];
            return acc.dot(colj.data(), v.data(), m);
        }
        if (std::size_t(j) < n + m) return v[std::size_t(j) - n];
        const std::size_t i = std::size_t(j) - n - m;
        return sigma[i] * v[i];
    };
    for (int round = 0; round < 12; ++round) {
        for (std::size_t k = 0; k < m; ++k) {
            const int j = s.head[k];
            rho[k] = cost[std::size_t(j)] - column_dot(j, y);
        }
        Real change = 0, size = 0;
        for (std::size_t k = 0; k < m; ++k) {
            T d = 0;
            for (std::size_t i = 0; i < m; ++i) d += lp_to<T>(rho[i]) * binv[i * m + k];
            y[k] += Real(d);
            change = std::max(change, qm::abs(Real(d)));
            size = std::max(size, qm::abs(y[k]));
        }
        if (change <= size * 1e-36Q) break;
    }
    std::vector<Real> d(total);
    Real cost_scale = 1, value_scale = 1;
    for (std::size_t j = 0; j < total; ++j) {
        d[j] = cost[j] - column_dot(int(j), y);
        cost_scale = std::max(cost_scale, qm::abs(cost[j]));
        if (!qm::isinf(x[j])) value_scale = std::max(value_scale, qm::abs(x[j]));
    }
    for (std::size_t i = 0; i < m; ++i) value_scale = std::max(value_scale, qm::abs(p.b[i]));
    const Real primal_tol = 1e-30Q * value_scale, dual_tol = 1e-30Q * cost_scale;
    for (std::size_t j = 0; j < total; ++j) {
        if (x[j] < lo[j] - primal_tol || x[j] > up[j] + primal_tol) return false;
        const bool fixed = lo[j] == up[j];
        if (fixed) continue;
        const bool above_lower = x[j] > lo[j] + primal_tol, below_upper = x[j] < up[j] - primal_tol;
        if (above_lower && d[j] > dual_tol) return false; // could decrease: cost would fall
        if (below_upper && d[j] < -dual_tol) return false;
    }
    const Real sign = p.maximise ? Real(-1) : Real(1);
    out.x.assign(x.begin(), x.begin() + std::ptrdiff_t(n));
    out.dual.resize(m);
    out.slack.resize(m);
    out.reduced.resize(n);
    for (std::size_t i = 0; i < m; ++i) {
        out.dual[i] = sign * y[i] + Real(0); // no negative zero
        out.slack[i] = p.b[i] - acc.dot(&p.a[i * n], out.x.data(), n);
    }
    for (std::size_t j = 0; j < n; ++j) out.reduced[j] = sign * d[j] + Real(0);
    out.objective = acc.dot(p.c.data(), out.x.data(), n);
    out.status = LpStatus::OPTIMAL;
    return true;
}

} // namespace

long long default_pivot_limit(int rows, int cols) {
    return 50LL * (rows + cols) + 10000;
}

LpSolution solve_linear_program(const LinearProgram& problem) {
    LpSolution out;
    std::vector<Real> sigma;
    const SimplexState first = starting_basis(problem, sigma);
    BoundedSimplex<double> fast(problem, sigma);
    SimplexEnd end = SimplexEnd::SINGULAR;
    if (fast.start(first)) end = fast.solve();
    out.iterations = fast.iterations();
    if (end == SimplexEnd::OPTIMAL &&
        certify_basis(problem, sigma, fast.state(), fast.inverse(), out))
        return out;
    // Unproven in double (a failed certificate, infeasible, unbounded or stalled): the same
    // simplex in binary128 from where double stopped decides.
    BoundedSimplex<Real> exact(problem, sigma);
    const SimplexState& from = end == SimplexEnd::SINGULAR ? first : fast.state();
    if (!exact.start(from) && !exact.start(first)) return out;
    end = exact.solve();
    out.exact_iterations = exact.iterations();
    if (end == SimplexEnd::INFEASIBLE) out.status = LpStatus::INFEASIBLE;
    if (end == SimplexEnd::UNBOUNDED) out.status = LpStatus::UNBOUNDED;
    if (end == SimplexEnd::OPTIMAL)
        certify_basis(problem, sigma, exact.state(), exact.inverse(), out);
    return out;
}

} // namespace tarvex
