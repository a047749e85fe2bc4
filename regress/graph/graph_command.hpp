// PLOTS, GRAPH and CONFIDEN, one handler: PLOTS draws character plots in the report, GRAPH
// draws the same kinds (and histograms) as picture files through gnuplot, CONFIDEN the joint
// confidence region of two coefficients of the last estimation.
#pragma once

namespace tarvex {

struct Run;

void cmd_graph(Run& run);

} // namespace tarvex
