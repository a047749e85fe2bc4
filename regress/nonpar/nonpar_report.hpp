// Writing NONPAR's results: the estimate's heading (series, range, kernel, bandwidth and how it
// was chosen) and the estimate at its points.
#pragma once

#include "numeric/real.hpp"
#include "regress/nonpar/kernel_density.hpp"
#include "regress/nonpar/kernel_regression.hpp"
#include "regress/nonpar/nonpar_kernels.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// How the bandwidth came about.
enum class BandwidthSource { GIVEN, SILVERMAN, SCOTT, CROSS_VALIDATION };

// The estimate at its points. `defined` is false at a point where a regression has no
// observation within reach.
struct NonparCurve {
    std::vector<Real> points, values;
    std::vector<bool> defined;
    bool on_grid = false;
};

// What both analyses print above the curve.
struct NonparHeading {
    std::string title; // "KERNEL DENSITY OF X" or "KERNEL REGRESSION OF Y ON X"
    int beg = 0, end = 0, n = 0;
    KernelShape kernel = KernelShape::GAUSSIAN;
    Real h = 0;
    BandwidthSource source = BandwidthSource::GIVEN;
    Real criterion = 0;    // UCV or the leave-one-out mean squared error, when chosen by CV
    bool on_bound = false; // the chosen bandwidth is at an end of its search
    Real search_lower = 0, search_upper = 0; // the interval searched (density CV)
};

void report_density(Run& run, const NonparHeading& heading, const NonparCurve& curve);
// `method` names the smoother; `sse` is the sum of squared residuals at the observations.
void report_regression(Run& run, const NonparHeading& heading, SmootherKind method, Real sse,
                       const NonparCurve& curve);

} // namespace tarvex
