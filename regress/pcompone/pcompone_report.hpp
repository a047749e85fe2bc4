// Writing PCOMPONE's results: the eigenvalues with their proportions, the loadings and, on
// request, the scree plot.
#pragma once

#include "regress/pcompone/pcompone_estimate.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct ComponentsShown {
    std::vector<std::string> names; // the series, as listed
    int beg = 0, end = 0;
    bool correlation = true;
    bool scree = false;
};

void report_components(Run& run, const ComponentsShown& shown, const PrincipalComponents& pc);

} // namespace tarvex
