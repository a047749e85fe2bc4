// CONFIDEN's report: the region's equation and critical values, the table of the two
// coefficients with their individual intervals, and the ellipse as a character plot (the
// estimate marked, the intervals as dotted lines); its gnuplot script for the picture.
#pragma once

#include "regress/graph/confidence_region.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/graph_options.hpp"

#include <array>
#include <string>

namespace tarvex {

struct Run;

struct RegionNames {
    std::array<std::string, 2> names; // the coefficients, without trailing blanks
};

void report_confiden(Run& run, const RegionNames& names, const RegionInput& in,
                     const ConfidenceRegion& r, const GraphOptions& o);
std::string confiden_script(const RegionNames& names, const RegionInput& in,
                            const ConfidenceRegion& r, const GraphOptions& o,
                            const PlotTarget& target);

} // namespace tarvex
