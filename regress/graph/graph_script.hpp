// GRAPH's gnuplot scripts: the data written into the script itself (a data block), then the
// plot of its kind, after the lines that open the picture.
#pragma once

#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/plot_kind.hpp"

#include <string>

namespace tarvex {

std::string graph_script(PlotKind kind, const GraphOptions& o, const PlotData& data,
                         const PlotTarget& target);

} // namespace tarvex
