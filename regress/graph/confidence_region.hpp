// CONFIDEN's numbers: the joint confidence region of two coefficients, the ellipse
// (b - e)' V**-1 (b - e) <= c around the estimates e with V their 2 x 2 covariance, and each
// coefficient's own interval. With t statistics c = 2 F(level; 2, df) and the intervals use
// t(df); with asymptotic statistics c = chi-square(level; 2) and the normal.
#pragma once

#include "numeric/real.hpp"

#include <array>
#include <vector>

namespace tarvex {

struct RegionInput {
    std::array<Real, 2> estimate{};
    std::array<Real, 3> cov{}; // var 1, cov 12, var 2
    Real level = 0;            // in (0, 1)
    Real df = 0;               // degrees of freedom of t and F (ignored when asymptotic)
    bool asymptotic = false;
    int points = 0; // points on the ellipse
};

struct ConfidenceRegion {
    bool positive = false; // the covariance is positive definite: a region exists
    Real radius2 = 0;      // c
    Real critical = 0;     // the t (or normal) value of the intervals
    std::array<Real, 2> stderrs{}, lower{}, upper{};
    std::vector<Real> x, y; // the ellipse, closed (the last point repeats the first)
};

ConfidenceRegion confidence_region(const RegionInput& in);

} // namespace tarvex
