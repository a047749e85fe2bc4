// The plots of DIAGNOSE's GRAPHICS (or GNU): the CUSUM path between its 5% bounds above the
// CUSUM of squares with its mean line j/r and its bounds (when drawn), for the external gnuplot
// program. A data file and a command file (COMMFILE, default COMM.GNU; APPEND adds to it) are
// written as for OLS's residual plots, then gnuplot draws the picture named by DEVICE and OUTPUT.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct RecursiveTests;
struct CusumSquaresBounds;

// `obs` holds the observation of each recursive residual, in the order of the paths.
void write_stability_plot(Run& run, const std::vector<int>& obs, const RecursiveTests& t,
                          const CusumSquaresBounds& squares, const std::string& command_file,
                          bool append, const std::string& device, const std::string& output);

} // namespace tarvex
