// The primal active-set search behind quadratic programs, its binary128 recomputation and
// verification, and the continuation in binary128 when the verification fails.
//
// Multipliers: at the optimum Qx + c = sum_i y_i a_i + z with y_i over the working rows and z_j
// over the variables held at a bound. y_i is the change of the optimum per unit of b_i, so
// y_i <= 0 on an active <= row, y_i >= 0 on an active >= row; z_j >= 0 at a lower bound and
// z_j <= 0 at an upper bound.
#include "kernels/quadratic_program.hpp"

#include "kernels/dense_lu.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

enum class QpHold : signed char { LOWER = -1, FREE = 0, UPPER = 1 };

// The working set: which variables sit at which bound and which rows hold as equalities.
struct QpWorkingSet {
    std::vector<QpHold> hold;
    std::vector<bool> in_rows;
};

enum class QpSearchEnd { OPTIMAL, UNBOUNDED, LIMIT, SINGULAR };

template <class T>
struct QpTolerance;
template <>
struct QpTolerance<double> {
    static constexpr double step = 1e-11, feasible = 1e-9, price = 1e-9, pivot = 1e-13,
                            ridge = 1e-9;
};
template <>
struct QpTolerance<Real> {
    static constexpr Real step = 1e-30Q, feasible = 1e-28Q, price = 1e-28Q, pivot = 1e-32Q,
                          ridge = 1e-26Q;
};

template <class T>
T qp_abs(T v) {
    return v < 0 ? -v : v;
}

// The search in type T from a feasible x and a working set that x meets.
template <class T>
class ActiveSetSearch {
public:
    ActiveSetSearch(const QuadraticProgram& p, QpWorkingSet& w) : p_(p), w_(w) {
        const std::size_t n = std::size_t(p.cols), m = std::size_t(p.rows);
        q_.resize(n * n);
        q_ready_.assign(n, false);
        a_.resize(m * n);
        for (std::size_t i = 0; i < m * n; ++i) a_[i] = T(p.a[i]);
        c_.resize(n);
        for (std::size_t j = 0; j < n; ++j) c_[j] = T(p.c[j]);
        // Q is positive semidefinite: no element exceeds the largest diagonal one.
        T big = 1;
        for (std::size_t j = 0; j < n; ++j) big = std::max(big, qp_abs(T(p.q[j * n + j])));
        scale_q_ = big;
    }

    // x in and out; the number of steps taken is added to `steps`.
    QpSearchEnd run(std::vector<T>& x, long long& steps, long long limit) {
        const int n = p_.cols;
        for (; steps < limit; ++steps) {
            gradient(x);
            free_.clear();
            for (int j = 0; j < n; ++j)
                if (w_.hold[std::size_t(j)] == QpHold::FREE) free_.push_back(j);
            rows_.clear();
            for (int i = 0; i < p_.rows; ++i)
                if (w_.in_rows[std::size_t(i)]) rows_.push_back(i);
            bool ridged = false;
            if (!step_direction(ridged)) return QpSearchEnd::SINGULAR;
            T largest = 0, size = 1;
            for (std::size_t k = 0; k < free_.size(); ++k) {
                largest = std::max(largest, qp_abs(dir_[k]));
                size = std::max(size, qp_abs(x[std::size_t(free_[k])]));
            }
            if (largest <= QpTolerance<T>::step * size) {
                if (!drop_wrong_multiplier()) return QpSearchEnd::OPTIMAL;
                continue;
            }
            if (!take_step(x, ridged)) return QpSearchEnd::UNBOUNDED;
        }
        return QpSearchEnd::LIMIT;
    }

private:
    const QuadraticProgram& p_;
    QpWorkingSet& w_;
    std::vector<T> q_, a_, c_, g_, dir_, mult_;
    std::vector<bool> q_ready_; // rows of Q copied into q_ so far
    std::vector<int> free_, rows_;
    T scale_q_ = 1;

    // Row j of Q in type T, copied on first use: the search reads only the rows of the free and
    // nonzero variables, few of many in a long-only portfolio.
    const T* q_row(int j) {
        const std::size_t n = std::size_t(p_.cols), r = std::size_t(j);
        if (!q_ready_[r]) {
            for (std::size_t i = 0; i < n; ++i) q_[r * n + i] = T(p_.q[r * n + i]);
            q_ready_[r] = true;
        }
        return &q_[r * n];
    }

    // g = Qx + c, reading only the nonzero elements of x.
    void gradient(const std::vector<T>& x) {
        const std::size_t n = std::size_t(p_.cols);
        g_ = c_;
        for (std::size_t j = 0; j < n; ++j) {
            const T v = x[j];
            if (v == 0) continue;
            const T* row = q_row(int(j)); // Q symmetric: column j is row j
            for (std::size_t i = 0; i < n; ++i) g_[i] += row[i] * v;
        }
    }

    // The step over the free variables to the minimum with the working rows held, and the
    // working rows' multipliers (mult_). A singular system (Q flat along the working set's
    // null space) is solved with a small ridge added to Q: the step then only points downhill,
    // and `ridged` says so.
    bool step_direction(bool& ridged) {
        const std::size_t n = std::size_t(p_.cols), nf = free_.size(), nr = rows_.size(),
                          size = nf + nr;
        std::vector<T> kkt(size * size, T(0)), rhs(size, T(0));
        for (std::size_t r = 0; r < nf; ++r) {
            const T* row = q_row(free_[r]);
            for (std::size_t s = 0; s < nf; ++s) kkt[r * size + s] = row[free_[s]];
            rhs[r] = -g_[std::size_t(free_[r])];
            for (std::size_t k = 0; k < nr; ++k) {
                const T v = a_[std::size_t(rows_[k]) * n + std::size_t(free_[r])];
                kkt[r * size + nf + k] = v;
                kkt[(nf + k) * size + r] = v;
            }
        }
        DenseLu<T> lu;
        ridged = false;
        if (!dense_lu_factor(kkt, int(size), QpTolerance<T>::pivot, lu)) {
            ridged = true;
            for (std::size_t r = 0; r < nf; ++r)
                kkt[r * size + r] += QpTolerance<T>::ridge * scale_q_;
            if (!dense_lu_factor(kkt, int(size), QpTolerance<T>::pivot, lu)) return false;
        }
        const std::vector<T> sol = dense_lu_solve(lu, rhs);
        dir_.assign(sol.begin(), sol.begin() + std::ptrdiff_t(nf));
        // Q p + A' mu = -g: at p = 0, g = A'(-mu), so the multipliers are -mu.
        mult_.resize(nr);
        for (std::size_t k = 0; k < nr; ++k) mult_[k] = -sol[nf + k];
        return true;
    }

    // At the minimum over the working set: drops the constraint whose multiplier has the
    // wrong sign by the most; false when none has (optimal).
    bool drop_wrong_multiplier() {
        const std::size_t n = std::size_t(p_.cols);
        T worst = 0;
        T g_scale = 1;
        for (const T& v : g_) g_scale = std::max(g_scale, qp_abs(v));
        const T floor = QpTolerance<T>::price * g_scale;
        int drop_row = -1, drop_col = -1;
        for (std::size_t k = 0; k < rows_.size(); ++k) {
            const int i = rows_[k];
            const RowSense s = p_.sense[std::size_t(i)];
            const T wrong = s == RowSense::AT_MOST    ? mult_[k]
                            : s == RowSense::AT_LEAST ? -mult_[k]
                                                      : T(0);
            if (wrong > floor && wrong > worst) worst = wrong, drop_row = i, drop_col = -1;
        }
        for (std::size_t j = 0; j < n; ++j) {
            const QpHold h = w_.hold[j];
            if (h == QpHold::FREE || p_.lower[j] == p_.upper[j]) continue;
            T z = g_[j];
            for (std::size_t k = 0; k < rows_.size(); ++k)
                z -= mult_[k] * a_[std::size_t(rows_[k]) * n + j];
            const T wrong = h == QpHold::LOWER ? -z : z;
            if (wrong > floor && wrong > worst) worst = wrong, drop_col = int(j), drop_row = -1;
        }
        if (drop_row >= 0) w_.in_rows[std::size_t(drop_row)] = false;
        if (drop_col >= 0) w_.hold[std::size_t(drop_col)] = QpHold::FREE;
        return drop_row >= 0 || drop_col >= 0;
    }

    // Moves along dir_ to the full step or the first constraint in the way, which joins the
    // working set. False when a ridged (downhill only) step meets no constraint and Q is flat
    // along it: the objective falls without end.
    bool take_step(std::vector<T>& x, bool ridged) {
        const std::size_t n = std::size_t(p_.cols);
        const T inf = T(__builtin_huge_valq());
        T alpha = ridged ? inf : T(1);
        int block_row = -1, block_col = -1;
        QpHold block_hold = QpHold::FREE;
        for (std::size_t k = 0; k < free_.size(); ++k) {
            const std::size_t j = std::size_t(free_[k]);
            const T d = dir_[k];
            if (d < 0 && p_.lower[j] > -__builtin_huge_valq()) {
                const T t = std::max(T(0), (T(p_.lower[j]) - x[j]) / d);
                if (t < alpha)
                    alpha = t, block_col = int(j), block_row = -1, block_hold = QpHold::LOWER;
            } else if (d > 0 && p_.upper[j] < __builtin_huge_valq()) {
                const T t = std::max(T(0), (T(p_.upper[j]) - x[j]) / d);
                if (t < alpha)
                    alpha = t, block_col = int(j), block_row = -1, block_hold = QpHold::UPPER;
            }
        }
        for (int i = 0; i < p_.rows; ++i) {
            if (w_.in_rows[std::size_t(i)]) continue;
            const T* row = &a_[std::size_t(i) * n];
            T move = 0, at = 0, norm = 0;
            for (std::size_t k = 0; k < free_.size(); ++k)
                move += row[free_[k]] * dir_[k], norm += qp_abs(row[free_[k]] * dir_[k]);
            if (qp_abs(move) <= QpTolerance<T>::step * norm) continue;
            for (std::size_t j = 0; j < n; ++j) at += row[j] * x[j];
            const T b = T(p_.b[std::size_t(i)]);
            const RowSense s = p_.sense[std::size_t(i)];
            T t = inf;
            if (s == RowSense::EQUAL)
                t = 0;
            else if (s == RowSense::AT_MOST && move > 0)
                t = std::max(T(0), (b - at) / move);
            else if (s == RowSense::AT_LEAST && move < 0)
                t = std::max(T(0), (b - at) / move);
            if (t < alpha) alpha = t, block_row = i, block_col = -1;
        }
        if (ridged) {
            // The ridged step only points downhill: go to the line minimum along it when that
            // comes before the first constraint; with Q flat along it and nothing in the way the
            // objective falls without end.
            T curve = 0, dd = 0, slope = 0;
            for (std::size_t r = 0; r < free_.size(); ++r) {
                const T* row = q_row(free_[r]);
                for (std::size_t s = 0; s < free_.size(); ++s)
                    curve += dir_[r] * row[free_[s]] * dir_[s];
                dd += dir_[r] * dir_[r];
                slope += dir_[r] * g_[std::size_t(free_[r])];
            }
            if (curve > QpTolerance<T>::ridge * scale_q_ * dd * 2) {
                const T line = -slope / curve;
                if (line < alpha) alpha = line, block_col = -1, block_row = -1;
            } else if (alpha == inf) {
                return false;
            }
        }
        for (std::size_t k = 0; k < free_.size(); ++k) x[std::size_t(free_[k])] += alpha * dir_[k];
        if (block_col >= 0) {
            w_.hold[std::size_t(block_col)] = block_hold;
            x[std::size_t(block_col)] =
                T(block_hold == QpHold::LOWER ? p_.lower[std::size_t(block_col)]
                                              : p_.upper[std::size_t(block_col)]);
        }
        if (block_row >= 0) w_.in_rows[std::size_t(block_row)] = true;
        return true;
    }
};

// The exact a'x (rounded once).
Real qp_dot(const Real* a, const Real* x, std::size_t n) {
    return exact_dot(a, x, n);
}

// The KKT matrix over the free variables `fr` and working rows `rw`, row-major.
std::vector<Real> qp_kkt_matrix(const QuadraticProgram& p, const std::vector<int>& fr,
                                const std::vector<int>& rw) {
    const std::size_t n = std::size_t(p.cols), nf = fr.size(), nr = rw.size(), size = nf + nr;
    std::vector<Real> kkt(size * size, Real(0));
    for (std::size_t r = 0; r < nf; ++r) {
        for (std::size_t s = 0; s < nf; ++s)
            kkt[r * size + s] = p.q[std::size_t(fr[r]) * n + std::size_t(fr[s])];
        for (std::size_t k = 0; k < nr; ++k) {
            const Real v = p.a[std::size_t(rw[k]) * n + std::size_t(fr[r])];
            kkt[r * size + nf + k] = v;
            kkt[(nf + k) * size + r] = v;
        }
    }
    return kkt;
}

// x and the multipliers recomputed in binary128 from the working set: the KKT system over the
// free variables and working rows, solved and refined twice with residuals formed exactly.
// A singular system means the optimum is not unique: Q is flat along a direction the working
// set allows, or working rows depend on each other. Then each free variable that elimination
// with complete pivoting finds dependent keeps the value the search gave it (any value along a
// flat direction is optimal), and each dependent working row takes a zero multiplier (the
// other rows imply it); the rest is solved exactly. False when even that system is singular.
bool qp_exact_point(const QuadraticProgram& p, const QpWorkingSet& w, std::vector<Real>& x,
                    std::vector<Real>& y, QpSolution& s) {
    const std::size_t n = std::size_t(p.cols);
    std::vector<int> fr, rw;
    for (std::size_t j = 0; j < n; ++j) {
        if (w.hold[j] == QpHold::LOWER)
            x[j] = p.lower[j];
        else if (w.hold[j] == QpHold::UPPER)
            x[j] = p.upper[j];
        else
            fr.push_back(int(j));
    }
    for (int i = 0; i < p.rows; ++i)
        if (w.in_rows[std::size_t(i)]) rw.push_back(i);
    y.assign(std::size_t(p.rows), Real(0));
    if (fr.size() + rw.size() == 0) return true;
    std::vector<Real> kkt = qp_kkt_matrix(p, fr, rw);
    DenseLu<Real> lu;
    if (!dense_lu_factor(kkt, int(fr.size() + rw.size()), QpTolerance<Real>::pivot, lu)) {
        const std::vector<int> dependent =
            dense_dependent_columns(kkt, int(fr.size() + rw.size()), QpTolerance<Real>::pivot);
        std::vector<int> kept_fr, kept_rw;
        for (std::size_t r = 0; r < fr.size() + rw.size(); ++r) {
            if (std::binary_search(dependent.begin(), dependent.end(), int(r))) {
                if (r < fr.size()) s.unique_x = false;
                continue;
            }
            if (r < fr.size())
                kept_fr.push_back(fr[r]);
            else
                kept_rw.push_back(rw[r - fr.size()]);
        }
        fr = kept_fr;
        rw = kept_rw;
        if (fr.size() + rw.size() == 0) return true;
        kkt = qp_kkt_matrix(p, fr, rw);
        if (!dense_lu_factor(kkt, int(fr.size() + rw.size()), QpTolerance<Real>::pivot, lu))
            return false;
    }
    const std::size_t nf = fr.size(), nr = rw.size(), size = nf + nr;
    // Unknowns: x over the free variables and u = -y over the working rows.
    std::vector<Real> u(nr, Real(0));
    for (std::size_t r = 0; r < nf; ++r) x[std::size_t(fr[r])] = 0;
    std::vector<Real> terms, values;
    for (int pass = 0; pass < 3; ++pass) {
        // Residual of Q x + c + A'u = 0 (free rows) and A x = b (working rows), each exact.
        std::vector<Real> res(size);
        for (std::size_t r = 0; r < nf; ++r) {
            const std::size_t j = std::size_t(fr[r]);
            terms.assign(p.q.begin() + std::ptrdiff_t(j * n),
                         p.q.begin() + std::ptrdiff_t(j * n + n));
            values = x;
            terms.push_back(1);
            values.push_back(p.c[j]);
            for (std::size_t k = 0; k < nr; ++k) {
                terms.push_back(p.a[std::size_t(rw[k]) * n + j]);
                values.push_back(u[k]);
            }
            res[r] = -qp_dot(terms.data(), values.data(), terms.size());
        }
        for (std::size_t k = 0; k < nr; ++k) {
            const Real* row = &p.a[std::size_t(rw[k]) * n];
            terms.assign(row, row + n);
            values = x;
            terms.push_back(-1);
            values.push_back(p.b[std::size_t(rw[k])]);
            res[nf + k] = -qp_dot(terms.data(), values.data(), terms.size());
        }
        const std::vector<Real> d = dense_lu_solve(lu, res);
        for (std::size_t r = 0; r < nf; ++r) x[std::size_t(fr[r])] += d[r];
        for (std::size_t k = 0; k < nr; ++k) u[k] += d[nf + k];
    }
    for (std::size_t k = 0; k < nr; ++k) y[std::size_t(rw[k])] = Real(0) - u[k]; // never -0
    return true;
}

// Fills the solution from x and y and verifies the optimality conditions in binary128.
void qp_verify(const QuadraticProgram& p, const QpWorkingSet& w, QpSolution& s) {
    const std::size_t n = std::size_t(p.cols), m = std::size_t(p.rows);
    std::vector<Real> g(n), terms, values;
    std::vector<std::size_t> nonzero;
    for (std::size_t j = 0; j < n; ++j)
        if (s.x[j] != 0) nonzero.push_back(j);
    Real scale = 1;
    for (std::size_t j = 0; j < n; ++j) {
        // g_j = (Qx)_j + c_j over the nonzero elements of x, exactly.
        terms.assign(1, Real(1));
        values.assign(1, p.c[j]);
        for (std::size_t t : nonzero) {
            terms.push_back(p.q[j * n + t]);
            values.push_back(s.x[t]);
        }
        g[j] = qp_dot(terms.data(), values.data(), terms.size());
        scale = std::max(scale, qm::abs(g[j]));
    }
    QpVerification& v = s.check;
    v = QpVerification{};
    s.bound.assign(n, Real(0));
    s.slack.assign(m, Real(0));
    s.active_row.assign(m, false);
    s.active_rows = s.active_bounds = 0;
    Real size = 1;
    for (std::size_t j = 0; j < n; ++j) size = std::max(size, qm::abs(s.x[j]));
    for (std::size_t j = 0; j < n; ++j) {
        // z_j = g_j - sum_i y_i a_ij: the bound's multiplier, or the stationarity residual of a
        // free variable.
        terms.assign(1, Real(1));
        values.assign(1, g[j]);
        for (std::size_t i = 0; i < m; ++i)
            if (s.dual[i] != 0) {
                terms.push_back(-p.a[i * n + j]);
                values.push_back(s.dual[i]);
            }
        const Real z = qp_dot(terms.data(), values.data(), terms.size());
        if (w.hold[j] == QpHold::FREE) {
            v.stationarity = std::max(v.stationarity, qm::abs(z));
            if (s.x[j] < p.lower[j]) v.feasibility = std::max(v.feasibility, p.lower[j] - s.x[j]);
            if (s.x[j] > p.upper[j]) v.feasibility = std::max(v.feasibility, s.x[j] - p.upper[j]);
            continue;
        }
        s.bound[j] = z;
        ++s.active_bounds;
        if (p.lower[j] != p.upper[j]) {
            const Real wrong = w.hold[j] == QpHold::LOWER ? -z : z;
            v.sign = std::max(v.sign, wrong > 0 ? wrong : Real(0));
        }
    }
    for (std::size_t i = 0; i < m; ++i) {
        const Real* row = &p.a[i * n];
        terms.assign(row, row + n);
        values = s.x;
        terms.push_back(-1);
        values.push_back(p.b[i]);
        const Real excess = qp_dot(terms.data(), values.data(), terms.size()); // a'x - b
        s.slack[i] = Real(0) - excess;                                         // never -0
        const RowSense sense = p.sense[i];
        const Real off = sense == RowSense::EQUAL     ? qm::abs(excess)
                         : sense == RowSense::AT_MOST ? std::max(excess, Real(0))
                                                      : std::max(-excess, Real(0));
        v.feasibility = std::max(v.feasibility, off);
        if (w.in_rows[i]) s.active_row[i] = true, ++s.active_rows;
        const Real yi = s.dual[i];
        const Real wrong = sense == RowSense::AT_MOST ? yi : sense == RowSense::AT_LEAST ? -yi : 0;
        v.sign = std::max(v.sign, wrong > 0 ? wrong : Real(0));
        v.complementarity = std::max(v.complementarity, qm::abs(yi * excess));
    }
    v.tolerance = QpTolerance<Real>::feasible * scale * size;
    v.passed = v.stationarity <= v.tolerance && v.feasibility <= v.tolerance &&
               v.sign <= v.tolerance && v.complementarity <= v.tolerance;
    // The objective 1/2 x'Qx + c'x = sum_j x_j (g_j + c_j) / 2.
    std::vector<Real> half(n);
    for (std::size_t j = 0; j < n; ++j) half[j] = (g[j] + p.c[j]) / 2;
    s.objective = qp_dot(s.x.data(), half.data(), n);
}

// A feasible start: a vertex of the constraints (the linear program with no costs) and the
// working set it meets, rows kept only while they are independent over the free variables.
bool qp_start(const QuadraticProgram& p, std::vector<Real>& x, QpWorkingSet& w) {
    LinearProgram lp;
    lp.rows = p.rows;
    lp.cols = p.cols;
    lp.c.assign(std::size_t(p.cols), Real(0));
    lp.a = p.a;
    lp.b = p.b;
    lp.sense = p.sense;
    lp.lower = p.lower;
    lp.upper = p.upper;
    if (p.rows == 0) {
        // No rows: the linear program needs one; any point within the bounds will do.
        x.assign(std::size_t(p.cols), Real(0));
        w.hold.assign(std::size_t(p.cols), QpHold::FREE);
        w.in_rows.clear();
        for (std::size_t j = 0; j < std::size_t(p.cols); ++j) {
            if (p.lower[j] > -__builtin_huge_valq())
                x[j] = p.lower[j], w.hold[j] = QpHold::LOWER;
            else if (p.upper[j] < __builtin_huge_valq())
                x[j] = p.upper[j], w.hold[j] = QpHold::UPPER;
        }
        return true;
    }
    const LpSolution v = solve_linear_program(lp);
    if (v.status == LpStatus::INFEASIBLE || v.x.empty()) return false;
    x = v.x;
    const std::size_t n = std::size_t(p.cols);
    w.hold.assign(n, QpHold::FREE);
    for (std::size_t j = 0; j < n; ++j) {
        if (x[j] == p.lower[j])
            w.hold[j] = QpHold::LOWER;
        else if (x[j] == p.upper[j])
            w.hold[j] = QpHold::UPPER;
    }
    // Rows tight at the vertex, equalities first, kept while independent (Gram-Schmidt over
    // the free columns).
    w.in_rows.assign(std::size_t(p.rows), false);
    std::vector<std::vector<double>> basis;
    std::vector<int> order;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < p.rows; ++i) {
            const bool equal = p.sense[std::size_t(i)] == RowSense::EQUAL;
            if (equal != (pass == 0)) continue;
            if (!equal && qm::abs(v.slack[std::size_t(i)]) > 1e-20Q) continue;
            order.push_back(i);
        }
    for (int i : order) {
        std::vector<double> r;
        double norm0 = 0;
        for (std::size_t j = 0; j < n; ++j)
            if (w.hold[j] == QpHold::FREE) {
                r.push_back(double(p.a[std::size_t(i) * n + j]));
                norm0 += r.back() * r.back();
            }
        for (const auto& e : basis) {
            double d = 0;
            for (std::size_t k = 0; k < r.size(); ++k) d += r[k] * e[k];
            for (std::size_t k = 0; k < r.size(); ++k) r[k] -= d * e[k];
        }
        double norm = 0;
        for (double t : r) norm += t * t;
        if (norm <= 1e-20 * norm0 || norm == 0) continue;
        for (double& t : r) t /= std::sqrt(norm);
        basis.push_back(r);
        w.in_rows[std::size_t(i)] = true;
    }
    return true;
}

} // namespace

long long qp_default_step_limit(int rows, int cols) {
    return 50LL * (rows + cols) + 200;
}

QpSolution solve_quadratic_program(const QuadraticProgram& problem) {
    QpSolution s;
    std::vector<Real> start;
    QpWorkingSet w;
    if (!qp_start(problem, start, w)) {
        s.status = QpStatus::INFEASIBLE;
        return s;
    }
    const long long limit = problem.step_limit > 0
                                ? problem.step_limit
                                : qp_default_step_limit(problem.rows, problem.cols);
    std::vector<double> fast(start.size());
    for (std::size_t j = 0; j < start.size(); ++j) fast[j] = double(start[j]);
    ActiveSetSearch<double> search(problem, w);
    const QpSearchEnd end = search.run(fast, s.iterations, limit);
    if (end == QpSearchEnd::UNBOUNDED) {
        s.status = QpStatus::UNBOUNDED;
        return s;
    }
    // The search's own point: the exact recomputation keeps the values of variables along which
    // the optimum is not unique.
    s.x.resize(fast.size());
    for (std::size_t j = 0; j < fast.size(); ++j) s.x[j] = Real(fast[j]);
    // The point in binary128 from the working set; when that fails or does not verify, the
    // search goes on in binary128 from the same working set.
    for (int round = 0; round < 2; ++round) {
        if (qp_exact_point(problem, w, s.x, s.dual, s)) {
            qp_verify(problem, w, s);
            if (s.check.passed) {
                s.status = QpStatus::OPTIMAL;
                return s;
            }
        }
        if (round == 1) break;
        // A feasible recomputed point carries on from its working set; anything else starts
        // again from the vertex.
        std::vector<Real> x = s.x;
        if (x.empty() || s.check.feasibility > s.check.tolerance || s.check.tolerance == 0) {
            if (!qp_start(problem, x, w)) break;
        }
        ActiveSetSearch<Real> exact(problem, w);
        const QpSearchEnd again = exact.run(x, s.exact_iterations, limit);
        if (again == QpSearchEnd::UNBOUNDED) {
            s.status = QpStatus::UNBOUNDED;
            return s;
        }
        s.x = x;
    }
    s.status = QpStatus::NO_CERTIFICATE;
    return s;
}

} // namespace tarvex
