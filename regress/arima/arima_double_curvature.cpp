// The exact ARMA likelihood on second-order jets, in double or in the extended format.
#include "regress/arima/arima_double_curvature.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <type_traits>

namespace tarvex {

namespace {

// A value with its first derivatives (K) and its second (the upper triangle, row by row).
template <int K, class T>
struct Jet {
    static constexpr int N = 1 + K + K * (K + 1) / 2;
    T c[N];
};

template <int K, class T>
Jet<K, T> constant(T v) {
    Jet<K, T> j;
    std::fill(j.c, j.c + Jet<K, T>::N, T(0));
    j.c[0] = v;
    return j;
}

template <int K, class T>
Jet<K, T> operator+(const Jet<K, T>& a, const Jet<K, T>& b) {
    Jet<K, T> r;
    for (int i = 0; i < Jet<K, T>::N; ++i) r.c[i] = a.c[i] + b.c[i];
    return r;
}

template <int K, class T>
Jet<K, T> operator-(const Jet<K, T>& a, const Jet<K, T>& b) {
    Jet<K, T> r;
    for (int i = 0; i < Jet<K, T>::N; ++i) r.c[i] = a.c[i] - b.c[i];
    return r;
}

template <int K, class T>
Jet<K, T> scaled(const Jet<K, T>& a, T s) {
    Jet<K, T> r;
    for (int i = 0; i < Jet<K, T>::N; ++i) r.c[i] = a.c[i] * s;
    return r;
}

// d2(ab) = a d2b + b d2a + da db' + db da'.
template <int K, class T>
Jet<K, T> operator*(const Jet<K, T>& a, const Jet<K, T>& b) {
    Jet<K, T> r;
    const T av = a.c[0], bv = b.c[0];
    r.c[0] = av * bv;
    for (int i = 1; i <= K; ++i) r.c[i] = av * b.c[i] + bv * a.c[i];
    int h = K + 1;
    for (int i = 1; i <= K; ++i)
        for (int j = i; j <= K; ++j, ++h)
            r.c[h] = av * b.c[h] + bv * a.c[h] + a.c[i] * b.c[j] + a.c[j] * b.c[i];
    return r;
}

// f(a) from f, f' and f'' at a's value: d2f = f' d2a + f'' da da'.
template <int K, class T>
Jet<K, T> chain(const Jet<K, T>& a, T f0, T f1, T f2) {
    Jet<K, T> r;
    r.c[0] = f0;
    for (int i = 1; i <= K; ++i) r.c[i] = f1 * a.c[i];
    int h = K + 1;
    for (int i = 1; i <= K; ++i)
        for (int j = i; j <= K; ++j, ++h) r.c[h] = f1 * a.c[h] + f2 * a.c[i] * a.c[j];
    return r;
}

template <int K, class T>
Jet<K, T> operator/(const Jet<K, T>& a, const Jet<K, T>& b) {
    const T v = b.c[0];
    return a * chain(b, 1 / v, -1 / (v * v), 2 / (v * v * v));
}

template <int K, class T>
Jet<K, T> log_of(const Jet<K, T>& a) {
    const T v = a.c[0];
    return chain(a, std::log(v), 1 / v, -1 / (v * v));
}

// a a.
template <int K, class T>
Jet<K, T> square(const Jet<K, T>& a) {
    Jet<K, T> r;
    const T av = a.c[0], twice = 2 * av;
    r.c[0] = av * av;
    for (int i = 1; i <= K; ++i) r.c[i] = twice * a.c[i];
    int h = K + 1;
    for (int i = 1; i <= K; ++i)
        for (int j = i; j <= K; ++j, ++h) r.c[h] = twice * a.c[h] + 2 * a.c[i] * a.c[j];
    return r;
}

// A sum over the observations, compensated in every component: each addition's rounding error,
// which the two-sum gives exactly, is carried apart.
template <int K, class T>
struct JetSum {
    Jet<K, T> sum = constant<K, T>(0), carry = constant<K, T>(0);
    void add(const Jet<K, T>& t) {
        for (int i = 0; i < Jet<K, T>::N; ++i) {
            const T s = sum.c[i] + t.c[i], back = s - sum.c[i];
            carry.c[i] += (sum.c[i] - (s - back)) + (t.c[i] - back);
            sum.c[i] = s;
        }
    }
    Jet<K, T> total() const { return sum + carry; }
};

// (1 + sign sum a_i B**i)(1 + sign sum b_j B**(s j)) = 1 + sign sum c_k B**k, as expand_polynomials
// multiplies them out, on jets.
template <int K, class T>
std::vector<Jet<K, T>> multiply_out(const std::vector<Jet<K, T>>& a,
                                    const std::vector<Jet<K, T>>& b, int s, T sign) {
    const std::size_t n = a.size() + b.size() * std::size_t(s);
    std::vector<Jet<K, T>> full(n + 1, constant<K, T>(0)), left(a.size() + 1),
        right(b.size() * std::size_t(s) + 1, constant<K, T>(0));
    left[0] = constant<K, T>(1);
    for (std::size_t i = 0; i < a.size(); ++i) left[i + 1] = scaled(a[i], sign);
    right[0] = constant<K, T>(1);
    for (std::size_t j = 0; j < b.size(); ++j) right[(j + 1) * std::size_t(s)] = scaled(b[j], sign);
    for (std::size_t i = 0; i < left.size(); ++i)
        for (std::size_t j = 0; j < right.size(); ++j)
            full[i + j] = full[i + j] + left[i] * right[j];
    std::vector<Jet<K, T>> c(n);
    for (std::size_t k = 0; k < n; ++k) c[k] = scaled(full[k + 1], sign);
    return c;
}

// The stationary state covariance P = T P T' + R R' from the linear system of its distinct
// elements (Gaussian elimination with partial pivoting on the values); false when it is singular
// or the state is beyond the system's size.
constexpr int JET_LARGEST_STATE = 12;

template <int K, class T>
bool stationary_jets(const std::vector<Jet<K, T>>& phi, const std::vector<Jet<K, T>>& rr, int r,
                     std::vector<Jet<K, T>>& cov) {
    if (r > JET_LARGEST_STATE) return false;
    auto index = [r](int i, int j) {
        if (i > j) std::swap(i, j);
        return i * r - i * (i - 1) / 2 + (j - i);
    };
    const int m = r * (r + 1) / 2;
    std::vector<Jet<K, T>> a(std::size_t(m) * m, constant<K, T>(0)), b(static_cast<std::size_t>(m));
    for (int i = 0; i < r; ++i)
        for (int j = i; j < r; ++j) {
            const int row = index(i, j);
            Jet<K, T>* eq = &a[std::size_t(row) * m];
            eq[row].c[0] += 1;
            eq[index(0, 0)] = eq[index(0, 0)] - phi[i] * phi[j];
            if (j + 1 < r) eq[index(0, j + 1)] = eq[index(0, j + 1)] - phi[i];
            if (i + 1 < r) eq[index(0, i + 1)] = eq[index(0, i + 1)] - phi[j];
            if (i + 1 < r && j + 1 < r) eq[index(i + 1, j + 1)].c[0] -= 1;
            b[std::size_t(row)] = rr[i] * rr[j];
        }
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int i = c + 1; i < m; ++i)
            if (std::abs(a[std::size_t(i) * m + c].c[0]) >
                std::abs(a[std::size_t(pivot) * m + c].c[0]))
                pivot = i;
        if (a[std::size_t(pivot) * m + c].c[0] == 0) return false;
        if (pivot != c) {
            for (int j = 0; j < m; ++j)
                std::swap(a[std::size_t(c) * m + j], a[std::size_t(pivot) * m + j]);
            std::swap(b[std::size_t(c)], b[std::size_t(pivot)]);
        }
        const Jet<K, T> d = a[std::size_t(c) * m + c];
        for (int i = c + 1; i < m; ++i) {
            if (a[std::size_t(i) * m + c].c[0] == 0 &&
                std::all_of(a[std::size_t(i) * m + c].c, a[std::size_t(i) * m + c].c + Jet<K, T>::N,
                            [](T v) { return v == 0; }))
                continue;
            const Jet<K, T> f = a[std::size_t(i) * m + c] / d;
            for (int j = c; j < m; ++j)
                a[std::size_t(i) * m + j] =
                    a[std::size_t(i) * m + j] - f * a[std::size_t(c) * m + j];
            b[std::size_t(i)] = b[std::size_t(i)] - f * b[std::size_t(c)];
        }
    }
    std::vector<Jet<K, T>> u(std::size_t(m), constant<K, T>(0));
    for (int i = m - 1; i >= 0; --i) {
        Jet<K, T> s = b[std::size_t(i)];
        for (int j = i + 1; j < m; ++j) s = s - a[std::size_t(i) * m + j] * u[std::size_t(j)];
        u[std::size_t(i)] = s / a[std::size_t(i) * m + i];
    }
    cov.assign(std::size_t(r) * r, constant<K, T>(0));
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j) cov[std::size_t(i) * r + j] = u[std::size_t(index(i, j))];
    return true;
}

// The two first-order components (1..K) of each second-order one (K + 1 .. N - 1).
template <int K>
struct SecondOrderPairs {
    static constexpr int N = 1 + K + K * (K + 1) / 2;
    int i[N], j[N];
    constexpr SecondOrderPairs() : i(), j() {
        for (int a = 1, h = K + 1; a <= K; ++a)
            for (int b = a; b <= K; ++b, ++h) i[h] = a, j[h] = b;
    }
};

// The steady rows [t, n) of a series without mean or regressors (x_t without derivatives):
// a_{t+1,i} = phi_i x_t + a_{t,i+1} + theta_{i+1} v_t, v_t = x_t - a_{t,0}, v_t**2 added to the
// sum, on the second-order components in [HB, HE) and, with FIRST, on the value's component and
// the first derivatives (stored into `first_out`, K + 1 a row, when it is given; without FIRST
// they are read from `first_in`). The components left out stay as they were. Each component is
// formed by the operations the jets' operators (scaled, square, the product and the sum) take on
// it, in their order, so that the rows run in parts (the value and first derivatives, then halves
// of the second-order components on two threads) give the bits of the whole jets. The component
// ranges are constants, so that the loops over them unroll.
// With `units` (not empty), every coefficient is linear in the parameters (its value and at most
// one first derivative, which is one: units[i] its component for phi_i, units[r + i] for
// theta_i, 0 for none): a term with a zero factor then adds nothing and one with a unit factor
// adds its operand, so they are skipped or added as they are: the same bits (but for the sign of
// a zero), at a fraction of the operations.
template <int K, class T, bool FIRST, int HB, int HE>
void plain_steady_rows(const std::vector<T>& w, std::size_t t, std::size_t n,
                       const std::vector<Jet<K, T>>& phi, const std::vector<Jet<K, T>>& rr,
                       const std::vector<char>& phi_zero, const std::vector<char>& rr_zero,
                       const std::vector<int>& units, std::vector<Jet<K, T>>& a, JetSum<K, T>& ssq,
                       T* first_out, const T* first_in) {
    constexpr int N = Jet<K, T>::N;
    constexpr SecondOrderPairs<K> pairs{};
    const std::size_t rs = a.size();
    // Per state element below the last: 1 with phi_i x_t, 2 with theta_{i+1} v_t.
    std::vector<char> terms(rs, 0);
    for (std::size_t i = 0; i + 1 < rs; ++i)
        terms[i] = char((phi_zero[i] ? 0 : 1) | (rr_zero[i + 1] ? 0 : 2));
    T v[N] = {};
    T *sum = ssq.sum.c, *carry = ssq.carry.c;
    auto add = [sum, carry](int c, T term) {
        const T s = sum[c] + term, back = s - sum[c];
        carry[c] += (sum[c] - (s - back)) + (term - back);
        sum[c] = s;
    };
    // next = a_{i+1} (+ phi_i x_t) (+ theta_{i+1} v_t), the product as operator* forms it; on
    // linear coefficients (LINEAR) fm and gm are the unit components of phi_i and theta_{i+1}.
    auto advance = [&](auto linear, auto with_phi, auto with_rr, T* out, const T* up, const T* f,
                       const T* g, int fm, int gm, T xt) {
        constexpr bool LINEAR = decltype(linear)::value;
        const T g0 = g[0], vv = v[0];
        if constexpr (FIRST) {
            T x = up[0];
            if constexpr (with_phi.value) x += f[0] * xt;
            if constexpr (with_rr.value) x = x + g0 * vv;
            out[0] = x;
#pragma GCC unroll 16
            for (int c = 1; c <= K; ++c) {
                x = up[c];
                if constexpr (with_phi.value && LINEAR) {
                    if (c == fm) x += xt;
                } else if constexpr (with_phi.value) {
                    x += f[c] * xt;
                }
                if constexpr (with_rr.value && LINEAR) {
                    T term = g0 * v[c];
                    if (c == gm) term = term + vv;
                    x = x + term;
                } else if constexpr (with_rr.value) {
                    x = x + (g0 * v[c] + vv * g[c]);
                }
                out[c] = x;
            }
        }
#pragma GCC unroll 64
        for (int h = HB; h < HE; ++h) {
            T x = up[h];
            if constexpr (with_rr.value && LINEAR) {
                T term = g0 * v[h];
                if (pairs.i[h] == gm) term = term + v[pairs.j[h]];
                if (pairs.j[h] == gm) term = term + v[pairs.i[h]];
                x = x + term;
            } else {
                if constexpr (with_phi.value) x += f[h] * xt;
                if constexpr (with_rr.value)
                    x = x + (g0 * v[h] + vv * g[h] + g[pairs.i[h]] * v[pairs.j[h]] +
                             g[pairs.j[h]] * v[pairs.i[h]]);
            }
            out[h] = x;
        }
    };
    const bool linear = !units.empty();
    using yes = std::true_type;
    using no = std::false_type;
    for (std::size_t row = 0; t < n; ++t, ++row) {
        const T xt = w[t];
        const T* a0 = a[0].c;
        if constexpr (FIRST) {
#pragma GCC unroll 16
            for (int c = 0; c <= K; ++c) v[c] = a0[c] * T(-1);
            v[0] += xt;
            if (first_out) std::copy(v, v + K + 1, first_out + row * (K + 1));
        } else {
            std::copy(first_in + row * (K + 1), first_in + (row + 1) * (K + 1), v);
        }
#pragma GCC unroll 64
        for (int h = HB; h < HE; ++h) v[h] = a0[h] * T(-1);
        const T vv = v[0], twice = 2 * vv;
        if constexpr (FIRST) {
            add(0, vv * vv);
#pragma GCC unroll 16
            for (int c = 1; c <= K; ++c) add(c, twice * v[c]);
        }
#pragma GCC unroll 64
        for (int h = HB; h < HE; ++h) add(h, twice * v[h] + 2 * v[pairs.i[h]] * v[pairs.j[h]]);
        for (std::size_t i = 0; i + 1 < rs; ++i) {
            T* out = a[i].c;
            const T *up = a[i + 1].c, *f = phi[i].c, *g = rr[i + 1].c;
            const int fm = linear ? units[i] : 0, gm = linear ? units[rs + i + 1] : 0;
            auto step = [&](auto lin) {
                switch (terms[i]) {
                case 0:
                    advance(lin, no{}, no{}, out, up, f, g, fm, gm, xt);
                    break;
                case 1:
                    advance(lin, yes{}, no{}, out, up, f, g, fm, gm, xt);
                    break;
                case 2:
                    advance(lin, no{}, yes{}, out, up, f, g, fm, gm, xt);
                    break;
                default:
                    advance(lin, yes{}, yes{}, out, up, f, g, fm, gm, xt);
                    break;
                }
            };
            if (linear)
                step(yes{});
            else
                step(no{});
        }
        T* last = a[rs - 1].c;
        const T* f = phi[rs - 1].c;
        if constexpr (FIRST) {
#pragma GCC unroll 16
            for (int c = 0; c <= K; ++c) last[c] = f[c] * xt;
        }
#pragma GCC unroll 64
        for (int h = HB; h < HE; ++h) last[h] = f[h] * xt;
    }
}

// From this many steady rows a series without mean or regressors shares the second-order
// components between two threads, when the innovations' value and first derivatives it keeps for
// them are at most JET_SPLIT_MOST_VALUES numbers.
constexpr std::size_t JET_SPLIT_ROWS = 16384;
constexpr std::size_t JET_SPLIT_MOST_VALUES = std::size_t(1) << 24;

// The prediction covariance counts as settled when no element of it, nor of its first
// derivatives, differs from R R' (and its derivatives) by more than this many units in the last
// place of the format, relative to 1 + max R_i**2.
constexpr int JET_STEADY_UNITS = 8;

// With `second_order` false only the value and the gradient are formed in the steady rows (the
// Hessian is left empty); a series with mean or regressors then has none (not ok).
template <int K, class T>
ArimaCurvature curvature(const std::vector<T>& w, const std::vector<std::vector<T>>& dx,
                         const ArimaOrder& o, const std::vector<Real>& theta, int threads,
                         bool second_order) {
    ArimaCurvature out;
    const bool plain = !o.mean && o.regressors == 0;
    if (!second_order && !plain) return out;
    std::vector<Jet<K, T>> par(static_cast<std::size_t>(K));
    for (int i = 0; i < K; ++i) {
        par[std::size_t(i)] = constant<K, T>(T(theta[std::size_t(i)]));
        par[std::size_t(i)].c[1 + i] = 1;
    }
    auto slice = [&](int from, int count) {
        return std::vector<Jet<K, T>>(par.begin() + from, par.begin() + from + count);
    };
    const int s = o.span > 0 ? o.span : 1;
    const std::vector<Jet<K, T>> ar = multiply_out(slice(0, o.p), slice(o.p, o.sp), s, T(-1));
    const std::vector<Jet<K, T>> ma =
        multiply_out(slice(o.p + o.sp, o.q), slice(o.p + o.sp + o.q, o.sq), s, T(1));
    const int r = std::max(int(ar.size()), int(ma.size()) + 1);
    std::vector<Jet<K, T>> phi(std::size_t(r), constant<K, T>(0)),
        rr(std::size_t(r), constant<K, T>(0));
    std::copy(ar.begin(), ar.end(), phi.begin());
    rr[0] = constant<K, T>(1);
    std::copy(ma.begin(), ma.end(), rr.begin() + 1);
    std::vector<Jet<K, T>> p;
    if (!stationary_jets(phi, rr, r, p)) return out;
    // x_t = w_t - mu - sum b_j dx_jt: its first derivatives -1 (mu) and -dx_jt (b_j).
    const int mean_at = o.mean ? o.arma_count() : -1;
    const int first_regressor = o.regressor_offset();
    auto series_at = [&](std::size_t t) {
        Jet<K, T> x = constant<K, T>(w[t]);
        if (mean_at >= 0) {
            x.c[0] -= T(theta[std::size_t(mean_at)]);
            x.c[1 + mean_at] = -1;
        }
        for (int j = 0; j < o.regressors; ++j) {
            const T c = dx[std::size_t(j)][t];
            x.c[0] -= T(theta[std::size_t(first_regressor + j)]) * c;
            x.c[1 + first_regressor + j] = -c;
        }
        return x;
    };
    T rmax = 0;
    for (const Jet<K, T>& v : rr) rmax = std::max(rmax, v.c[0] * v.c[0]);
    const T tolerance = JET_STEADY_UNITS * std::numeric_limits<T>::epsilon() * (1 + rmax);
    const std::size_t n = w.size();
    JetSum<K, T> ssq, sumlog;
    const std::size_t rs = static_cast<std::size_t>(r);
    std::vector<Jet<K, T>> a(rs, constant<K, T>(0)), au(rs), kg(rs), pu(rs * rs), next(rs * rs);
    std::size_t t = 0;
    for (; t < n; ++t) {
        const Jet<K, T> fv = p[0];
        if (!(fv.c[0] > 0)) return out;
        const Jet<K, T> v = series_at(t) - a[0];
        ssq.add(v * v / fv);
        sumlog.add(log_of(fv));
        for (int i = 0; i < r; ++i) {
            kg[std::size_t(i)] = p[std::size_t(i) * r] / fv;
            au[std::size_t(i)] = a[std::size_t(i)] + kg[std::size_t(i)] * v;
        }
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < r; ++j)
                pu[std::size_t(i) * r + j] =
                    p[std::size_t(i) * r + j] - kg[std::size_t(i)] * p[std::size_t(j)];
        for (int i = 0; i < r; ++i)
            a[std::size_t(i)] = phi[std::size_t(i)] * au[0] +
                                (i + 1 < r ? au[std::size_t(i + 1)] : constant<K, T>(0));
        T gap = 0;
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < r; ++j) {
                Jet<K, T> e = phi[std::size_t(i)] * phi[std::size_t(j)] * pu[0];
                if (j + 1 < r) e = e + phi[std::size_t(i)] * pu[std::size_t(j + 1)];
                if (i + 1 < r) e = e + phi[std::size_t(j)] * pu[std::size_t(i + 1) * r];
                if (i + 1 < r && j + 1 < r) e = e + pu[std::size_t(i + 1) * r + j + 1];
                // e: the distance from R R'; its value and first derivatives decide the switch
                for (int c = 0; c <= K; ++c) gap = std::max(gap, std::abs(e.c[c]));
                next[std::size_t(i) * r + j] = e + rr[std::size_t(i)] * rr[std::size_t(j)];
            }
        p.swap(next);
        if (gap <= tolerance) {
            ++t;
            break;
        }
    }
    // The steady state: F = 1 (and its derivatives 0), a_{t+1,i} = phi_i x_t + a_{t,i+1} +
    // theta_{i+1} v_t.
    // Without the mean and regressors x_t has no derivatives, and the padding coefficients
    // (zero with every derivative) drop out.
    auto all_zero = [](const Jet<K, T>& j) {
        return std::all_of(j.c, j.c + Jet<K, T>::N, [](T v) { return v == 0; });
    };
    std::vector<char> phi_zero(rs), rr_zero(rs);
    for (std::size_t i = 0; i < rs; ++i)
        phi_zero[i] = all_zero(phi[i]), rr_zero[i] = all_zero(rr[i]);
    // Each coefficient's unit first derivative when all are linear in the parameters (a model
    // without seasonal terms), else none.
    auto unit_of = [](const Jet<K, T>& j, int& unit) {
        for (int h = K + 1; h < Jet<K, T>::N; ++h)
            if (j.c[h] != 0) return false;
        unit = 0;
        for (int c = 1; c <= K; ++c) {
            if (j.c[c] == 0) continue;
            if (j.c[c] != 1 || unit != 0) return false;
            unit = c;
        }
        return true;
    };
    std::vector<int> units(2 * rs, 0);
    bool linear = true;
    for (std::size_t i = 0; i < rs && linear; ++i)
        linear = unit_of(phi[i], units[i]) && unit_of(rr[i], units[rs + i]);
    if (!linear) units.clear();
    if (plain && !second_order) {
        plain_steady_rows<K, T, true, Jet<K, T>::N, Jet<K, T>::N>(
            w, t, n, phi, rr, phi_zero, rr_zero, units, a, ssq, nullptr, nullptr);
        t = n;
    } else if (plain) {
        // On one thread all the components together; on two, the value and first derivatives
        // first (their innovations kept), then the two halves of the second-order components
        // side by side.
        constexpr int N = Jet<K, T>::N, middle = K + 1 + K * (K + 1) / 4;
        const std::size_t rows = n - t;
        const bool split =
            K >= 2 && rows * std::size_t(K + 1) <= JET_SPLIT_MOST_VALUES &&
            (threads > 1 || (threads <= 0 && rows >= JET_SPLIT_ROWS && two_threads_available()));
        if (!split) {
            plain_steady_rows<K, T, true, K + 1, N>(w, t, n, phi, rr, phi_zero, rr_zero, units, a,
                                                    ssq, nullptr, nullptr);
        } else {
            // Every row's values are written before they are read: left uninitialised (no
            // clearing pass over the whole array).
            const std::unique_ptr<T[]> first(new T[rows * std::size_t(K + 1)]);
            std::vector<Jet<K, T>> a_upper(a);
            JetSum<K, T> ssq_upper = ssq;
            plain_steady_rows<K, T, true, N, N>(w, t, n, phi, rr, phi_zero, rr_zero, units, a, ssq,
                                                first.get(), nullptr);
            run_row_shares(2, 2, [&](std::size_t share, std::size_t, std::size_t) {
                if (share == 0)
                    plain_steady_rows<K, T, false, K + 1, middle>(
                        w, t, n, phi, rr, phi_zero, rr_zero, units, a, ssq, nullptr, first.get());
                else
                    plain_steady_rows<K, T, false, middle, N>(w, t, n, phi, rr, phi_zero, rr_zero,
                                                              units, a_upper, ssq_upper, nullptr,
                                                              first.get());
            });
            for (int h = middle; h < N; ++h) {
                ssq.sum.c[h] = ssq_upper.sum.c[h];
                ssq.carry.c[h] = ssq_upper.carry.c[h];
            }
        }
        t = n;
    }
    for (; t < n; ++t) {
        const Jet<K, T> x = series_at(t);
        const Jet<K, T> v = x - a[0];
        ssq.add(square(v));
        for (int i = 0; i + 1 < r; ++i)
            a[std::size_t(i)] =
                phi[std::size_t(i)] * x + a[std::size_t(i + 1)] + rr[std::size_t(i + 1)] * v;
        a[std::size_t(r - 1)] = phi[std::size_t(r - 1)] * x;
    }
    const Jet<K, T> sigma2 = scaled(ssq.total(), 1 / T(n));
    if (!(sigma2.c[0] > 0)) return out;
    Jet<K, T> llf = scaled(log_of(sigma2), -T(n) / 2) - scaled(sumlog.total(), T(0.5));
    const T pi = T(3.14159265358979323846264338327950288L);
    llf.c[0] += -T(n) / 2 * (std::log(2 * pi) + 1);
    if (!std::isfinite(llf.c[0])) return out;
    out.llf = Real(llf.c[0]);
    for (int i = 1; i <= K; ++i) out.gradient.push_back(Real(llf.c[i]));
    out.ok = true;
    if (!second_order) return out;
    out.hessian.assign(std::size_t(K) * K, Real(0));
    int h = K + 1;
    for (int i = 0; i < K; ++i)
        for (int j = i; j < K; ++j, ++h)
            out.hessian[std::size_t(i) * K + j] = out.hessian[std::size_t(j) * K + i] =
                Real(llf.c[h]);
    return out;
}

template <class T>
ArimaCurvature curvature_of(const std::vector<T>& w, const std::vector<std::vector<T>>& dx,
                            const ArimaOrder& order, const std::vector<Real>& theta, int threads,
                            bool second_order = true) {
    switch (order.parameter_count()) {
    case 1:
        return curvature<1, T>(w, dx, order, theta, threads, second_order);
    case 2:
        return curvature<2, T>(w, dx, order, theta, threads, second_order);
    case 3:
        return curvature<3, T>(w, dx, order, theta, threads, second_order);
    case 4:
        return curvature<4, T>(w, dx, order, theta, threads, second_order);
    case 5:
        return curvature<5, T>(w, dx, order, theta, threads, second_order);
    case 6:
        return curvature<6, T>(w, dx, order, theta, threads, second_order);
    case 7:
        return curvature<7, T>(w, dx, order, theta, threads, second_order);
    case 8:
        return curvature<8, T>(w, dx, order, theta, threads, second_order);
    default:
        return {};
    }
}

} // namespace

ArimaCurvature arima_double_curvature(const std::vector<double>& w,
                                      const std::vector<std::vector<double>>& dx,
                                      const ArimaOrder& order, const std::vector<Real>& theta,
                                      int threads) {
    return curvature_of(w, dx, order, theta, threads);
}

ArimaCurvature arima_extended_curvature(const std::vector<long double>& w,
                                        const std::vector<std::vector<long double>>& dx,
                                        const ArimaOrder& order, const std::vector<Real>& theta,
                                        int threads) {
    return curvature_of(w, dx, order, theta, threads);
}

ArimaCurvature arima_extended_gradient(const std::vector<long double>& w, const ArimaOrder& order,
                                       const std::vector<Real>& theta) {
    return curvature_of(w, {}, order, theta, 1, false);
}

} // namespace tarvex
