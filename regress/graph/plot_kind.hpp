// The kinds of plot PLOTS and GRAPH draw, and the labels they take unless TITLE, XLABEL and
// YLABEL are given: one description for the character plot and the gnuplot picture alike.
#pragma once

#include "regress/graph/graph_options.hpp"
#include "regress/graph/plot_data.hpp"

#include <string>

namespace tarvex {

enum class PlotKind {
    SERIES,    // the listed variables against the observation
    SCATTER,   // the listed variables against the last one
    HISTOGRAM, // the bars of one variable
    RESIDUAL,  // the last estimation's residuals against the observation or the fitted values
};

PlotKind plot_kind(const GraphOptions& o);

struct PlotLabels {
    std::string title, xlabel, ylabel;
};
// The given labels, else ones made of the variables' names.
PlotLabels plot_labels(PlotKind kind, const GraphOptions& o, const PlotData& data);

} // namespace tarvex
