// One step of the exact ARMA Kalman filter in state-space form (state dimension r, transition
// with phi in the first column and the shift above the diagonal, disturbance loading R), shared
// by the binary128 likelihood, its score and the double-precision search: the update by the
// innovation v with variance fv, and the prediction of the next state and its covariance.
// The operations and their order are the same for every number type, so each caller's results
// are what its own copy of these loops gave. Also the binary128 steady recursion's product and
// sum, which the likelihood and its score share so that their states agree to the bit.
#pragma once

#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

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
// to the library, which costs several times more. These two give the library's bits for those
// cases without it.
// c x, for a coefficient c known to be zero or not: a zero times a finite x is the zero whose
// sign is the product of the signs.
__attribute__((always_inline)) inline Real steady_scaled(Real c, bool c_zero, Real x) {
    if (!c_zero) return fast_multiply(c, x);
    const limbs::u128 bx = limbs::bits_of(x);
    if (limbs::exponent_field(bx) == limbs::EXPONENT_FIELD) return c * x;
    constexpr limbs::u128 sign = limbs::u128(1) << 127;
    return limbs::from_bits((limbs::bits_of(c) ^ bx) & sign);
}

// c x for c and x taken apart: the same bits as steady_scaled(c.value, c_zero, x.value).
__attribute__((always_inline)) inline Real steady_scaled(const DecodedFactor& c, bool c_zero,
                                                         const DecodedFactor& x) {
    if (!c_zero) return fast_multiply(c, x);
    return steady_scaled(c.value, true, x.value);
}

// s + z: a zero added to a nonzero value leaves it as it is.
__attribute__((always_inline)) inline Real steady_sum(Real s, Real z) {
    const bool s_zero = fast_is_zero(s), z_zero = fast_is_zero(z);
    if (z_zero && !s_zero) return s;
    if (s_zero && !z_zero) return z;
    return fast_add(s, z);
}

} // namespace tarvex
