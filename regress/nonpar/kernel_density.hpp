// Kernel density estimation: the bandwidth rules (the normal-reference rules and least-squares
// cross-validation) and the estimate at given points, summed exactly over every observation.
#pragma once

#include "numeric/real.hpp"
#include "regress/nonpar/nonpar_kernels.hpp"

#include <vector>

namespace tarvex {

// The sample quantile of ascending values that interpolates linearly between order statistics
// at (n - 1) p (the usual default of statistics packages).
Real sorted_quantile(const std::vector<Real>& sorted, Real p);
// The sample standard deviation (divisor n - 1), in two passes.
Real sample_deviation(const std::vector<Real>& values);

// Silverman's rule of thumb, 0.9 min(s, IQR / 1.34) n^(-1/5) (s alone when the quartiles
// coincide); Scott's normal-reference rule, 1.06 min(s, IQR / 1.34) n^(-1/5). Both need two or
// more observations and return 0 for a series without spread (Scott's also when the quartiles
// coincide).
Real silverman_bandwidth(const std::vector<Real>& sorted);
Real scott_bandwidth(const std::vector<Real>& sorted);

// Least-squares (unbiased) cross-validation of the Gaussian kernel density: the bandwidth that
// minimises the estimated integrated squared error
//   UCV(h) = (1/2 + S(h)/n) / (n h sqrt(pi)),  S(h) = sum over pairs i<j of
//            exp(-d^2/4h^2) - sqrt(8) exp(-d^2/2h^2),
// searched between a tenth of the oversmoothed bandwidth 1.144 s n^(-1/5) and that bandwidth.
struct UcvChoice {
    Real h = 0, ucv = 0;
    Real lower = 0, upper = 0;
    bool on_bound = false; // the minimum is at an end of the search interval
};
Real ucv_criterion(const std::vector<Real>& sorted, Real h);
UcvChoice ucv_bandwidth(const std::vector<Real>& sorted);

// The estimate (1/nh) sum K((t - x_i)/h) at each t of `points`; `sorted` ascending. Only the
// observations within the kernel's reach of t are summed (all that weigh, for the Gaussian
// kernel all but those that change the sum by less than 6e-32 of its largest term).
std::vector<Real> density_at(const std::vector<Real>& sorted, const Kernel& kernel, Real h,
                             const std::vector<Real>& points);

// `count` equally spaced points from three bandwidths below the smallest observation to three
// above the largest.
std::vector<Real> density_grid(const std::vector<Real>& sorted, Real h, int count);

} // namespace tarvex
