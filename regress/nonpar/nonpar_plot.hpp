// NONPAR's PLOTS switch: the estimated curve as a character plot in the report, a regression's
// over the observations it was fitted to.
#pragma once

#include "numeric/real.hpp"
#include "regress/nonpar/nonpar_report.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The observations a regression's curve is drawn over.
struct NonparObservations {
    std::string x_name, y_name;
    const std::vector<Real>* x = nullptr;
    const std::vector<Real>* y = nullptr;
};

// The curve at its defined points against its points, a density's with its zero line; `series`
// names the horizontal axis.
void plot_density_curve(Run& run, const NonparHeading& heading, const NonparCurve& curve,
                        const std::string& series);
void plot_regression_curve(Run& run, const NonparHeading& heading, const NonparCurve& curve,
                           const NonparObservations& data);

} // namespace tarvex
