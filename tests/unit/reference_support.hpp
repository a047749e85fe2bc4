// Comparison with reference values from an independent statistics package or exact arithmetic:
// agreement to a relative tolerance (11 significant digits unless told otherwise), with both
// numbers shown to 20 digits when it fails; and identity to the bit, for results that must be
// the correctly rounded value.
#pragma once

#include "numeric/decimal.hpp"
#include "numeric/real.hpp"

#include <cstring>
#include <gtest/gtest.h>
#include <quadmath.h>
#include <string>
#include <vector>

namespace tarvex::testing {

// The 128 bits of a binary128 value, and back.
using u128 = unsigned __int128;
inline u128 bits_of(Real x) {
    u128 b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
inline Real from_bits(u128 b) {
    Real x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

// Distance in units in the last place between two finite values (the bit patterns ordered).
inline long long ulps_apart(Real a, Real b) {
    auto order = [](Real x) {
        const u128 b = bits_of(x);
        const __int128 magnitude = static_cast<__int128>(b & ~(u128(1) << 127));
        return (b >> 127) ? -magnitude : magnitude;
    };
    const __int128 d = order(a) - order(b);
    return static_cast<long long>(d < 0 ? -d : d);
}

inline const Real REFERENCE_DIGITS = 1e-11Q;

inline Real pow2(int e) {
    return scalbnq(1, e);
}

inline Real relative_error(Real actual, Real expected) {
    return expected == 0 ? fabsq(actual) : fabsq((actual - expected) / expected);
}

inline ::testing::AssertionResult agrees(Real got, Real want, Real rel = REFERENCE_DIGITS) {
    const Real err = want == 0 ? fabsq(got) : fabsq((got - want) / want);
    if (err <= rel) return ::testing::AssertionSuccess();
    char g[64], w[64];
    quadmath_snprintf(g, sizeof g, "%.20Qg", got);
    quadmath_snprintf(w, sizeof w, "%.20Qg", want);
    return ::testing::AssertionFailure() << g << " against the reference " << w;
}

inline bool same_bits(Real a, Real b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline ::testing::AssertionResult bits_equal(Real actual, Real expected) {
    if (std::memcmp(&actual, &expected, sizeof actual) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << real_to_string(actual) << ", expected " << real_to_string(expected);
}

} // namespace tarvex::testing
