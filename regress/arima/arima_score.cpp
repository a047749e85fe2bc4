// The exact gradient of the exact ARMA log-likelihood: the Kalman filter of arma_exact with, for
// each parameter, the derivative of its state prediction a_t, of its prediction covariance P_t
// (until the steady state, where P is R R' and its derivative dR R' + R dR') and of the innovation
// v_t, from the derivative of the stationary start (which solves the same equation as the start,
// with the derivative of the rest of the equation in place of R R').
//   log L = -n/2 (log 2 pi + 1 + log(S/n)) - 1/2 sum log F_t,  S = sum v_t**2 / F_t,
//   d log L = -n/2 dS / S - 1/2 sum dF_t / F_t,  dS = sum (2 v dv F - v**2 dF) / F**2.
#include "regress/arima/arima_score.hpp"

#include "regress/arima/arma_filter_step.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "numeric/unpacked_arith.hpp"
#include "regress/arima/arima_likelihood.hpp"

#include <algorithm>
#include <type_traits>

namespace tarvex {

namespace {

// The prediction covariance counts as R R' at the same tolerance as the filter of the values.
const Real SCORE_STEADY_TOLERANCE = 1e-32Q;
// From this many steady rows the parameters' derivative recursions run in two shares.
constexpr std::size_t SCORE_SPLIT_ROWS = 16384;

// How a parameter moves the filter: the padded AR and R = (1, MA) coefficients, and the series
// the filter sees (the mean: x falls by 1; a regressor: by its column).
struct ScoreDirection {
    std::vector<Real> dphi, drr;
    bool moves_coefficients = false;
    int shift = -1; // -1: none; 0: the mean; j + 1: regressor j
};

// d c / d a_i and d c / d b_j of the product (1 + sign sum a B**(i+1))(1 + sign sum b B**(s(j+1)))
// = 1 + sign sum c B**(k+1) (the AR polynomials with sign -1, the MA ones with +1), added at
// `offset` into d (offset 1 for R, whose first element is the innovation's own 1).
void product_derivative_left(const std::vector<Real>& b, int s, Real sign, int i,
                             std::vector<Real>& d, int offset) {
    d[std::size_t(offset + i)] += 1;
    for (std::size_t j = 0; j < b.size(); ++j)
        d[std::size_t(offset + i) + (j + 1) * std::size_t(s)] += sign * b[j];
}
void product_derivative_right(const std::vector<Real>& a, int s, Real sign, int j,
                              std::vector<Real>& d, int offset) {
    const std::size_t at = std::size_t(offset) + std::size_t(j + 1) * std::size_t(s) - 1;
    d[at] += 1;
    for (std::size_t i = 0; i < a.size(); ++i) d[at + i + 1] += sign * a[i];
}

std::vector<ScoreDirection> score_directions(const ArimaOrder& o, const std::vector<Real>& theta,
                                             int r) {
    const int s = o.span > 0 ? o.span : 1;
    auto slice = [&](int from, int count) {
        return std::vector<Real>(theta.begin() + from, theta.begin() + from + count);
    };
    const std::vector<Real> ar = slice(0, o.p), sar = slice(o.p, o.sp);
    const std::vector<Real> ma = slice(o.p + o.sp, o.q), sma = slice(o.p + o.sp + o.q, o.sq);
    std::vector<ScoreDirection> dirs(std::size_t(o.parameter_count()));
    for (ScoreDirection& d : dirs) d.dphi.assign(r, Real(0)), d.drr.assign(r, Real(0));
    int k = 0;
    for (int i = 0; i < o.p; ++i, ++k) product_derivative_left(sar, s, -1, i, dirs[k].dphi, 0);
    for (int j = 0; j < o.sp; ++j, ++k) product_derivative_right(ar, s, -1, j, dirs[k].dphi, 0);
    for (int i = 0; i < o.q; ++i, ++k) product_derivative_left(sma, s, 1, i, dirs[k].drr, 1);
    for (int j = 0; j < o.sq; ++j, ++k) product_derivative_right(ma, s, 1, j, dirs[k].drr, 1);
    for (int m = 0; m < k; ++m) dirs[m].moves_coefficients = true;
    if (o.mean) dirs[std::size_t(k++)].shift = 0;
    for (int j = 0; j < o.regressors; ++j) dirs[std::size_t(k++)].shift = j + 1;
    return dirs;
}

// The derivative of the stationary covariance P along one direction: the solution of
// dP = T dP T' + M + M', M = dT P T' + dR R' (dT: dphi in T's first column).
bool start_covariance_derivative(const std::vector<Real>& phi, const std::vector<Real>& rr,
                                 const std::vector<Real>& p, const ScoreDirection& d, int r,
                                 std::vector<Real>& dp) {
    dp.assign(std::size_t(r) * r, Real(0));
    if (!d.moves_coefficients) return true;
    std::vector<Real> m(std::size_t(r) * r), q(std::size_t(r) * r);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j) {
            // (P T')_{0j} = P_00 phi_j + P_{0,j+1}
            const Real ptj = p[0] * phi[j] + (j + 1 < r ? p[std::size_t(j + 1)] : Real(0));
            m[std::size_t(i) * r + j] = d.dphi[i] * ptj + d.drr[i] * rr[j];
        }
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j)
            q[std::size_t(i) * r + j] = m[std::size_t(i) * r + j] + m[std::size_t(j) * r + i];
    return arma_state_lyapunov(phi, q, r, dp);
}

// The steady rows' shares of the parameters: two (on two threads) for a long series with two
// parameters or more when the machine has a second processor, `threads` when positive.
std::size_t score_shares(std::size_t rows, std::size_t parameters, int threads) {
    if (parameters < 2) return 1;
    if (threads > 0) return std::min<std::size_t>(std::size_t(threads), parameters);
    return rows >= SCORE_SPLIT_ROWS && two_threads_available() ? 2 : 1;
}

// The kind of a steady-state coefficient that is exactly one.
constexpr char UNIT_TERM = 2;

} // namespace

ArimaScore arima_exact_score(const std::vector<Real>& x, const ArimaOrder& order,
                             const std::vector<Real>& theta,
                             const std::vector<std::vector<Real>>& dx, bool keep, int threads) {
    ArimaScore out;
    const ArmaPolynomials poly = expand_polynomials(order, theta);
    const int n = int(x.size());
    const int r = std::max(int(poly.ar.size()), int(poly.ma.size()) + 1);
    const int kp = order.parameter_count();
    std::vector<Real> phi(r, Real(0)), rr(r, Real(0)), p;
    std::copy(poly.ar.begin(), poly.ar.end(), phi.begin());
    rr[0] = 1;
    std::copy(poly.ma.begin(), poly.ma.end(), rr.begin() + 1);
    if (!roots_outside_unit_circle(poly.ar)) return out;
    if (!arma_stationary_covariance(phi, rr, r, p)) return out;
    const std::vector<ScoreDirection> dirs = score_directions(order, theta, r);
    const std::size_t rr2 = std::size_t(r) * r;
    // Per parameter: da (r), dP (r x r), and the sums' derivatives.
    std::vector<Real> da(std::size_t(kp) * r, Real(0)), dp(std::size_t(kp) * rr2);
    std::vector<Real> dssq(kp, Real(0)), dsumlog(kp, Real(0));
    for (int k = 0; k < kp; ++k) {
        std::vector<Real> one;
        if (!start_covariance_derivative(phi, rr, p, dirs[std::size_t(k)], r, one)) return out;
        std::copy(one.begin(), one.end(), dp.begin() + std::ptrdiff_t(std::size_t(k) * rr2));
    }
    auto shift_at = [&](const ScoreDirection& d, int t) -> Real {
        if (d.shift < 0) return Real(0);
        if (d.shift == 0) return Real(-1);
        return -dx[std::size_t(d.shift - 1)][std::size_t(t)];
    };
    Real rmax = 0;
    for (Real v : rr) rmax = std::max(rmax, v * v);
    const Real steady_tolerance = SCORE_STEADY_TOLERANCE * (1 + rmax);
    Real ssq = 0, sumlog = 0;
    std::vector<Real> a(r, Real(0)), au(r), pu(rr2), kg(r);
    std::vector<Real> dk(r), dau(r), dpu(rr2);
    ArmaFilter& kept = out.filter;
    if (keep) kept.resid.assign(std::size_t(n), Real(0));
    // The transient filter, as arma_exact runs it, with the derivatives alongside.
    int t = 0;
    for (; t < n; ++t) {
        const Real fv = p[0];
        if (!(fv > 0)) return out;
        const Real v = x[t] - a[0];
        ssq += v * v / fv;
        sumlog += qm::log(fv);
        if (keep) kept.resid[std::size_t(t)] = v / qm::sqrt(fv);
        arma_filter_update(p.data(), fv, v, a.data(), r, kg.data(), au.data(), pu.data());
        for (int k = 0; k < kp; ++k) {
            const ScoreDirection& d = dirs[std::size_t(k)];
            Real* dak = &da[std::size_t(k) * r];
            Real* dpk = &dp[std::size_t(k) * rr2];
            const Real dv = shift_at(d, t) - dak[0];
            const Real df = dpk[0];
            dssq[k] += (2 * v * dv - v * v * df / fv) / fv;
            dsumlog[k] += df / fv;
            for (int i = 0; i < r; ++i) {
                dk[i] = (dpk[std::size_t(i) * r] - kg[i] * df) / fv;
                dau[i] = dak[i] + dk[i] * v + kg[i] * dv;
            }
            for (int i = 0; i < r; ++i)
                for (int j = 0; j < r; ++j)
                    dpu[std::size_t(i) * r + j] =
                        dpk[std::size_t(i) * r + j] - dk[i] * p[j] - kg[i] * dpk[j];
            for (int i = 0; i < r; ++i)
                dak[i] = d.dphi[i] * au[0] + phi[i] * dau[0] + (i + 1 < r ? dau[i + 1] : Real(0));
            for (int i = 0; i < r; ++i)
                for (int j = 0; j < r; ++j) {
                    Real s = (d.dphi[i] * phi[j] + phi[i] * d.dphi[j]) * pu[0] +
                             phi[i] * phi[j] * dpu[0] + d.drr[i] * rr[j] + rr[i] * d.drr[j];
                    if (j + 1 < r) s += d.dphi[i] * pu[j + 1] + phi[i] * dpu[j + 1];
                    if (i + 1 < r)
                        s += d.dphi[j] * pu[std::size_t(i + 1) * r] +
                             phi[j] * dpu[std::size_t(i + 1) * r];
                    if (i + 1 < r && j + 1 < r) s += dpu[std::size_t(i + 1) * r + j + 1];
                    dpk[std::size_t(i) * r + j] = s;
                }
        }
        const Real gap =
            arma_filter_predict(phi.data(), rr.data(), au.data(), pu.data(), r, a.data(), p.data());
        if (gap <= steady_tolerance) {
            ++t;
            break;
        }
    }
    if (t < n) kept.steady_from = t;
    // The steady state: F = 1, gain R;
    //   a_{t+1,i} = phi_i x_t + a_{t,i+1} + theta_{i+1} v_t,
    //   da_{t+1,i} = dphi_i x_t + phi_i dx_t + da_{t,i+1} + dtheta_{i+1} v_t + theta_{i+1} dv_t.
    // The terms whose coefficient is zero are skipped (they add a zero), and a coefficient of
    // one adds its operand itself (the product is that operand, bit for bit); the value's
    // operations are those of arma_exact.
    std::vector<char> phi_nz(r), rr_nz(r), dphi_nz(std::size_t(kp) * r),
        drr_nz(std::size_t(kp) * r);
    auto coefficient_kind = [](Real c) { return char(c == 0 ? 0 : c == 1 ? UNIT_TERM : 1); };
    for (int i = 0; i < r; ++i) phi_nz[i] = phi[i] != 0, rr_nz[i] = rr[i] != 0;
    for (int k = 0; k < kp; ++k)
        for (int i = 0; i < r; ++i) {
            dphi_nz[std::size_t(k) * r + i] = coefficient_kind(dirs[std::size_t(k)].dphi[i]);
            drr_nz[std::size_t(k) * r + i] = coefficient_kind(dirs[std::size_t(k)].drr[i]);
        }
    // The steady rows: the value's recursion first (its innovations kept), then the derivative
    // recursions, which need only the innovations, in shares of the parameters (two threads on a
    // long series).
    Real steady_ssq = 0;
    const int first_steady = t;
    std::vector<Real> own_v;
    if (!keep) own_v.assign(std::size_t(std::max(n - first_steady, 0)), Real(0));
    Real* innovation = keep ? kept.resid.data() + first_steady : own_v.data();
    // The value's recursion on its state and sum of squares kept taken apart (arma_exact's row).
    // The coefficients are taken apart once, for it and for the derivative recursions, whose
    // states and sums also stay taken apart from row to row.
    const SteadyCoefficients steady(phi, rr);
    const std::vector<Unpacked>&phi_u = steady.phi, &rr_u = steady.rr;
    {
        std::vector<Unpacked> au_state(static_cast<std::size_t>(r));
        for (int i = 0; i < r; ++i) au_state[std::size_t(i)] = unpack_real(a[std::size_t(i)]);
        Unpacked ssq_u = unpack_real(Real(0));
        for (; t < n; ++t)
            innovation[t - first_steady] = pack_real(
                steady_row(unpack_real(x[std::size_t(t)]), steady, au_state.data(), ssq_u));
        for (int i = 0; i < r; ++i) a[std::size_t(i)] = pack_real(au_state[std::size_t(i)]);
        steady_ssq = pack_real(ssq_u);
    }
    std::vector<Real> dvdot(kp, Real(0)); // sum v dv over the steady observations
    // `fixed` is the state dimension as a constant (std::integral_constant) for the small ones,
    // whose inner loop the compiler then lays out term by term; 0 for any other.
    auto steady_share = [&](int k_begin, int k_end, auto fixed) {
        constexpr int FIXED = decltype(fixed)::value;
        const int rn = FIXED > 0 ? FIXED : r;
        const Unpacked zero = unpack_real(Real(0));
        std::vector<Unpacked> own_dvdot(std::size_t(k_end - k_begin), zero);
        // The share's derivative states, apart from the other share's (no cache line between
        // two threads' writes).
        std::vector<Unpacked> own_da(std::size_t(k_end - k_begin) * std::size_t(r));
        for (std::size_t i = 0; i < own_da.size(); ++i)
            own_da[i] = unpack_real(da[std::size_t(k_begin) * std::size_t(r) + i]);
        std::vector<Unpacked> dphi_u, drr_u;
        for (int k = k_begin; k < k_end; ++k)
            for (int i = 0; i < r; ++i) {
                dphi_u.push_back(unpack_real(dirs[std::size_t(k)].dphi[i]));
                drr_u.push_back(unpack_real(dirs[std::size_t(k)].drr[i]));
            }
        // c * x for a nonzero coefficient c of the given kind: x itself when c is one.
        auto unit_or_product = [](char kind, const Unpacked& c, const Unpacked& x) {
            return kind == UNIT_TERM ? x : unpacked_multiply(c, x);
        };
        for (int row = first_steady; row < n; ++row) {
            const Unpacked xu = unpack_real(x[std::size_t(row)]);
            const Unpacked vu = unpack_real(innovation[row - first_steady]);
            for (int k = k_begin; k < k_end; ++k) {
                const ScoreDirection& d = dirs[std::size_t(k)];
                Unpacked* dak = &own_da[std::size_t(k - k_begin) * rn];
                const char* dphik = &dphi_nz[std::size_t(k) * rn];
                const char* drrk = &drr_nz[std::size_t(k) * rn];
                const Unpacked* dphiku = &dphi_u[std::size_t(k - k_begin) * rn];
                const Unpacked* drrku = &drr_u[std::size_t(k - k_begin) * rn];
                // A coefficient's direction does not move the series: dv = 0 - da_0 is -da_0
                // (but for the sign of a zero), without the sum.
                bool dx_nz = false;
                Unpacked dxu = zero, dvu = unpacked_negate(dak[0]);
                if (d.shift >= 0) {
                    const Real dxt = shift_at(d, row);
                    dx_nz = !fast_is_zero(dxt);
                    dxu = unpack_real(dxt);
                    dvu = unpacked_sum(dxu, dvu);
                }
                Unpacked& dot = own_dvdot[std::size_t(k - k_begin)];
                dot = unpacked_sum(dot, unpacked_multiply(vu, dvu));
#pragma GCC unroll 4
                for (int i = 0; i < rn; ++i) {
                    Unpacked s = i + 1 < rn ? dak[i + 1] : zero;
                    if (dphik[i]) s = unpacked_sum(s, unit_or_product(dphik[i], dphiku[i], xu));
                    if (dx_nz && phi_nz[i]) s = unpacked_sum(s, unpacked_multiply(phi_u[i], dxu));
                    if (i + 1 < rn) {
                        if (drrk[i + 1])
                            s = unpacked_sum(s, unit_or_product(drrk[i + 1], drrku[i + 1], vu));
                        if (rr_nz[i + 1]) s = unpacked_sum(s, unpacked_multiply(rr_u[i + 1], dvu));
                    }
                    dak[i] = s;
                }
            }
        }
        for (int k = k_begin; k < k_end; ++k)
            dvdot[std::size_t(k)] = pack_real(own_dvdot[std::size_t(k - k_begin)]);
    };
    const std::size_t shares =
        score_shares(std::size_t(std::max(n - first_steady, 0)), std::size_t(kp), threads);
    run_row_shares(std::size_t(kp), shares, [&](std::size_t, std::size_t begin, std::size_t end) {
        switch (r) {
        case 1:
            steady_share(int(begin), int(end), std::integral_constant<int, 1>());
            break;
        case 2:
            steady_share(int(begin), int(end), std::integral_constant<int, 2>());
            break;
        case 3:
            steady_share(int(begin), int(end), std::integral_constant<int, 3>());
            break;
        case 4:
            steady_share(int(begin), int(end), std::integral_constant<int, 4>());
            break;
        default:
            steady_share(int(begin), int(end), std::integral_constant<int, 0>());
        }
    });
    ssq += steady_ssq;
    if (!(ssq > 0)) return out;
    const Real sigma2 = ssq / Real(n);
    out.llf = -Real(n) / 2 * (qm::log(2 * qm::PI) + 1 + qm::log(sigma2)) - sumlog / 2;
    if (!finiteq(out.llf)) return out;
    out.gradient.assign(kp, Real(0));
    for (int k = 0; k < kp; ++k) {
        const Real ds = dssq[k] + 2 * dvdot[k];
        out.gradient[k] = -Real(n) / 2 * ds / ssq - dsumlog[k] / 2;
    }
    if (keep) {
        kept.ok = true;
        kept.ssq = ssq;
        kept.sumlog = sumlog;
        kept.used = n;
        kept.sigma2 = sigma2;
        kept.llf = out.llf;
        kept.state = a;
        if (kept.steady_from >= 0)
            for (int i = 0; i < r; ++i)
                for (int j = 0; j < r; ++j) p[std::size_t(i) * r + j] = rr[i] * rr[j];
        kept.cov = p;
    }
    out.ok = true;
    return out;
}

} // namespace tarvex
