// PLOTS: the character plots of the report (series, scatter, residuals, histogram bars).
#pragma once

#include "regress/graph/plot_kind.hpp"

namespace tarvex {

struct Run;

void report_plots(Run& run, PlotKind kind, const GraphOptions& o, const PlotData& data);

} // namespace tarvex
