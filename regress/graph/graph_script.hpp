// GRAPH's gnuplot scripts: the data written into the script itself (a data block), then the
// plot of its kind, after the lines that open the picture.
#pragma once

#include "core/graph_formats.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/plot_kind.hpp"

#include <string>

namespace tarvex {

// `formats`: the axes set by AXISFMT and the date form of TIMEFMT.
std::string graph_script(PlotKind kind, const GraphOptions& o, const PlotData& data,
                         const PlotTarget& target, const GraphFormats& formats);

// The finite values' range of some columns (low > high when there is none).
struct ValueRange {
    Real low = 1, high = 0;
};
ValueRange value_range(const std::vector<const std::vector<Real>*>& columns);

} // namespace tarvex
