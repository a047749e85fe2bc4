// The upper tail of the F distribution for whole degrees of freedom of moderate size, without
// Boost: the regularised incomplete beta function I_z(df2/2, df1/2) from its continued fraction,
// its prefactor z^a w^b / B(a, b) with B from exact products of half-integers. It answers the
// regression reports' t and F p-values (a few per command) at a fraction of the general
// evaluation's cost; the general functions in distributions.cpp call it first.
#pragma once

#include "numeric/real.hpp"

namespace tarvex::dist {

// Whole degrees of freedom with df1 + df2 at most this are taken by f_upper_direct.
inline constexpr int F_DIRECT_MAX_FREEDOM = 120;

// P(F(df1, df2) > x) for a finite x > 0 and whole df1, df2 >= 1 with df1 + df2 <=
// F_DIRECT_MAX_FREEDOM. False (and `tail` untouched) outside that domain, when the continued
// fraction does not settle, or when the result would fall below the normal range (where the
// general evaluation keeps the subnormal digits).
bool f_upper_direct(Real x, Real df1, Real df2, Real& tail);

} // namespace tarvex::dist
