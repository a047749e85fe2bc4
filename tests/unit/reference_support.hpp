// Comparison with reference values from an independent statistics package or exact arithmetic:
// agreement to a relative tolerance (11 significant digits unless told otherwise), with both
// numbers shown to 20 digits when it fails; identity to the bit, for results that must be the
// correctly rounded value; a distance in units in the last place; and each of these element by
// element over a vector of results against its references (values or decimal text).
#pragma once

#include "numeric/decimal.hpp"
#include "numeric/real.hpp"

#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>
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

// The decimal references typed as text, as binary128 values.
inline std::vector<Real> decimal_values(std::initializer_list<const char*> text) {
    std::vector<Real> out;
    for (const char* t : text) out.push_back(strtoflt128(t, nullptr));
    return out;
}

// Every element of `got` within `rel` of its reference; `what` names the vector in a failure.
inline void expect_all(const std::vector<Real>& got, const std::vector<Real>& want,
                       Real rel = REFERENCE_DIGITS, const std::string& what = "") {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_TRUE(agrees(got[i], want[i], rel)) << what << " element " << i;
}
inline void expect_all(const std::vector<Real>& got, std::initializer_list<const char*> want,
                       Real rel = REFERENCE_DIGITS, const std::string& what = "") {
    expect_all(got, decimal_values(want), rel, what);
}

// Every element of `got` the same bits as its reference.
inline void expect_all_bits(const std::vector<Real>& got, const std::vector<Real>& want,
                            const std::string& what = "") {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_TRUE(bits_equal(got[i], want[i])) << what << " element " << i;
}

// Every element of `got` at most `ulps` units in the last place from its reference.
inline void expect_ulps(const std::vector<Real>& got, const std::vector<Real>& want,
                        long long ulps) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_LE(ulps_apart(got[i], want[i]), ulps)
            << "element " << i << ": " << real_to_string(got[i]) << " against "
            << real_to_string(want[i]);
}
inline void expect_ulps(const std::vector<Real>& got, std::initializer_list<const char*> want,
                        long long ulps) {
    expect_ulps(got, decimal_values(want), ulps);
}

} // namespace tarvex::testing
