// The options of PLOTS, GRAPH and CONFIDEN (one table for the three), their defaults and the
// values the handler reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct GraphOptions {
    bool SCATTER = false, HISTOGRA = false, RESIDUAL = false, FITTED = false;
    bool LSLINE = false, NORMAL = false, GRAPH = false;
    int BEG = 0, END = 0, LINES = 0, COLS = 0, BINS = 0;
    Real LEVEL = 0;
    // as typed (a quoted text may hold blanks); DEVICE upper case
    std::string DEVICE, OUTPUT, TITLE, XLABEL, YLABEL;
    bool device_given = false, output_given = false;
};

const OptionTable& graph_option_table();
void set_graph_defaults(Run& run);
GraphOptions read_graph_options(const Run& run);

// The defaults of the character plots: they fit the report's 130 columns.
inline constexpr int PLOT_LINES_DEFAULT = 30;
inline constexpr int PLOT_COLS_DEFAULT = 130;

} // namespace tarvex
