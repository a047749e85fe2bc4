// Kernel regression of y on one regressor x: the Nadaraya-Watson (local constant) and the local
// linear estimates of E(y | x = t), and the bandwidth chosen by leave-one-out cross-validation.
#pragma once

#include "numeric/real.hpp"
#include "regress/nonpar/nonpar_kernels.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

enum class SmootherKind { NADARAYA_WATSON, LOCAL_LINEAR };

// The observations gathered by their value of x, ascending: a kernel weighs each distinct value
// once, however many observations share it. `group[i]` is the distinct value of observation i.
struct RegressionSample {
    std::vector<Real> x;     // the distinct values, ascending
    std::vector<Real> count; // the observations at each
    std::vector<Real> y_sum; // the sum of their y
    std::vector<std::size_t> group;
    std::vector<Real> y; // by observation
};
RegressionSample group_by_regressor(const std::vector<Real>& x, const std::vector<Real>& y);

// The weighted sums of 1, d, d^2 and of y, d y, with d = (x - t)/h and the kernel's weights, over
// the observations within its reach of t, those at the distinct value `skip_group` left out
// (none when it is past the last).
struct KernelSums {
    Real s0 = 0, s1 = 0, s2 = 0, t0 = 0, t1 = 0;
};
KernelSums kernel_sums_at(const RegressionSample& s, const Kernel& kernel, Real h, Real t,
                          std::size_t skip_group = std::size_t(-1));

// The estimate from those sums. Not defined where no observation weighs (and, for the local
// linear fit, where those that do all share one value of x).
struct SmoothedValue {
    Real value = 0;
    bool defined = false;
};
SmoothedValue smoothed_value(const KernelSums& sums, SmootherKind kind);
SmoothedValue kernel_fit_at(const RegressionSample& s, const Kernel& kernel, SmootherKind kind,
                            Real h, Real t);

// The mean squared leave-one-out error (1/n) sum (y_i - m_{-i}(x_i))^2; not defined when a
// left-out fit is not.
SmoothedValue leave_one_out_error(const RegressionSample& s, const Kernel& kernel,
                                  SmootherKind kind, Real h);

// The bandwidth minimising the leave-one-out error: first over 25 bandwidths spaced evenly in
// logarithm from 0.03 to 10 times s n^(-1/5) (s the deviation of x), then by golden section
// between the neighbours of the best of them. `found` is false when no bandwidth of the first
// pass gives every left-out fit.
struct CvChoice {
    Real h = 0, cv = 0;
    bool found = false, on_bound = false;
};
CvChoice cross_validated_bandwidth(const RegressionSample& s, const Kernel& kernel,
                                   SmootherKind kind);

} // namespace tarvex
