// Density (or probability mass), distribution function, upper tail and quantile of the
// families the distribution command offers, in binary128: normal (mean, variance), Student t,
// F, chi-square, gamma (shape, scale), beta (two shapes), binomial (trials, probability) and
// Poisson (mean). Parameters outside their domain, or a probability outside [0, 1], give NaN;
// nothing here throws.
#pragma once

#include "numeric/real.hpp"

namespace tarvex::dist {

enum class Family { NORMAL, STUDENT_T, FISHER_F, CHI_SQUARE, GAMMA, BETA, BINOMIAL, POISSON };

// The two parameters of a family, in the order above: (mean, variance), (df, -), (df1, df2),
// (df, -), (shape, scale), (shape1, shape2), (trials, probability), (mean, -).
struct FamilyParameters {
    Family family = Family::NORMAL;
    Real first = 0;
    Real second = 1;
};

// Whether the parameters lie in the family's domain.
bool parameters_valid(const FamilyParameters& d);
// Whether the family takes whole numbers only (binomial, Poisson).
bool is_discrete(Family family);

// The density at x (for a discrete family the probability of x, 0 off the integers).
Real family_density(const FamilyParameters& d, Real x);
// P(X <= x) and P(X > x), each computed directly.
Real family_lower(const FamilyParameters& d, Real x);
Real family_upper(const FamilyParameters& d, Real x);
// The x with P(X <= x) = p; for a discrete family the smallest whole x with P(X <= x) >= p.
Real family_quantile(const FamilyParameters& d, Real p);

} // namespace tarvex::dist
