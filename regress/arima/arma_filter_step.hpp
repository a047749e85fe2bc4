// One step of the exact ARMA Kalman filter in state-space form (state dimension r, transition
// with phi in the first column and the shift above the diagonal, disturbance loading R), shared
// by the binary128 likelihood, its score and the double-precision search: the update by the
// innovation v with variance fv, and the prediction of the next state and its covariance.
// The operations and their order are the same for every number type, so each caller's results
// are what its own copy of these loops gave. Also the binary128 steady recursion's row, on values
// kept taken apart, which the likelihood and its score share so that their states agree to the
// bit.
#pragma once

#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "numeric/unpacked_arith.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace tarvex {

inline double filter_magnitude(double v) {
    return std::abs(v);
}
inline Real filter_magnitude(Real v) {
    return qm::abs(v);
}

// The update: gain k = P e1 / fv, updated state au = a + k v, updated covariance
// pu = P - k P_1. (p, pu: r x r by rows.)
template <class T>
void arma_filter_update(const T* p, T fv, T v, const T* a, int r, T* k, T* au, T* pu) {
    for (int i = 0; i < r; ++i) {
        k[i] = p[std::size_t(i) * r] / fv;
        au[i] = a[i] + k[i] * v;
    }
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j)
            pu[std::size_t(i) * r + j] = p[std::size_t(i) * r + j] - k[i] * p[j];
}

// The prediction: a = T au, P = T pu T' + R R'. Returns the largest distance of the predicted
// covariance from R R', which the callers compare with their steady-state tolerance.
template <class T>
T arma_filter_predict(const T* phi, const T* rr, const T* au, const T* pu, int r, T* a, T* p) {
    for (int i = 0; i < r; ++i) a[i] = phi[i] * au[0] + (i + 1 < r ? au[i + 1] : T(0));
    T gap = 0;
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < r; ++j) {
            T s = phi[i] * phi[j] * pu[0] + rr[i] * rr[j];
            if (j + 1 < r) s += phi[i] * pu[j + 1];
            if (i + 1 < r) s += phi[j] * pu[std::size_t(i + 1) * r];
            if (i + 1 < r && j + 1 < r) s += pu[std::size_t(i + 1) * r + j + 1];
            p[std::size_t(i) * r + j] = s;
            gap = std::max(gap, filter_magnitude(s - rr[i] * rr[j]));
        }
    return gap;
}

// The steady-state recursion's coefficients are padded with zeros up to the state dimension
// (phi_r when p < r, theta_i when q + 1 < r), and the integer-unit operations hand zero operands
// to the library, which costs several times more. These give the library's bits for those
// cases without it.
// c x, for a coefficient c known to be zero or not: a zero times a finite x is the zero whose
// sign is the product of the signs.
__attribute__((always_inline)) inline Unpacked steady_scaled(const Unpacked& c, bool c_zero,
                                                             const Unpacked& x) {
    if (!c_zero) return unpacked_multiply(c, x);
    if (x.exponent == int(limbs::EXPONENT_FIELD) - limbs::EXPONENT_BIAS) // infinite or NaN
        return unpack_real(pack_real(c) * pack_real(x));
    Unpacked zero;
    zero.exponent = -limbs::EXPONENT_BIAS;
    zero.negative = c.negative != x.negative;
    return zero;
}

// The steady recursion's coefficients taken apart once, and which of them are zero.
struct SteadyCoefficients {
    int r = 0;
    std::vector<Unpacked> phi, rr;
    std::vector<char> phi_zero, theta_zero;
    SteadyCoefficients() = default;
    SteadyCoefficients(const std::vector<Real>& phi_padded, const std::vector<Real>& rr_padded)
        : r(int(phi_padded.size())) {
        for (int i = 0; i < r; ++i) {
            phi.push_back(unpack_real(phi_padded[std::size_t(i)]));
            rr.push_back(unpack_real(rr_padded[std::size_t(i)]));
            phi_zero.push_back(char(fast_is_zero(phi_padded[std::size_t(i)])));
            theta_zero.push_back(char(fast_is_zero(rr_padded[std::size_t(i)])));
        }
    }
};

// One observation x of the binary128 steady recursion, with the state a (r values) and the sum
// of squares kept taken apart from row to row; returns the innovation. The likelihood and its
// score share it, so that their states agree to the bit:
//   v = x - a_0,  ssq = ssq + v v,  a_i = (phi_i x + a_{i+1}) + theta_{i+1} v,  a_{r-1} = phi_{r-1}
//   x,
// each operation rounded as the library rounds it, and a zero added to a nonzero value leaving
// that value as it is.
__attribute__((always_inline)) inline Unpacked
steady_row(const Unpacked& x, const SteadyCoefficients& c, Unpacked* a, Unpacked& ssq) {
    const int r = c.r;
    const Unpacked v = unpacked_sum(x, unpacked_negate(a[0]));
    ssq = unpacked_sum(ssq, unpacked_multiply(v, v));
    for (int i = 0; i + 1 < r; ++i)
        a[i] = unpacked_sum(unpacked_sum(steady_scaled(c.phi[i], c.phi_zero[i], x), a[i + 1]),
                            steady_scaled(c.rr[i + 1], c.theta_zero[i + 1], v));
    a[r - 1] = steady_scaled(c.phi[r - 1], c.phi_zero[r - 1], x);
    return v;
}

} // namespace tarvex
