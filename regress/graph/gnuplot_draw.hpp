// Graph files drawn by the external gnuplot program, for every command that draws one (GRAPH,
// CONFIDEN, and the residual plots of OLS and FCAST): the device and file of the picture, the
// lines that select them, and the run of gnuplot on a script with a time limit, its outcome
// checked and reported.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

enum class PlotDevice { PNG, SVG, PDF };

struct PlotTarget {
    PlotDevice device = PlotDevice::PNG;
    std::string path;      // the full path of the picture
    bool replaces = false; // a file of that name exists and is overwritten
};

// The picture named by DEVICE (PNG, SVG or PDF; blank: the extension of OUTPUT when it is one
// of those, else PNG) and OUTPUT (as typed; blank or
// PLOT: the first of graph1, graph2, ... whose file does not exist; a name without an extension
// gets the device's; a relative name lies in the plot directory (FILE PLOTPATH), else in the
// current directory). False (reported, $ERR 109002) for another
// device.
bool plot_target(Run& run, const std::string& device, const std::string& output,
                 PlotTarget& target);

// "set terminal" and "set output" lines that open the picture.
std::string gnuplot_opening(const PlotTarget& target);
// Text inside single quotes for gnuplot (a quote is doubled).
std::string gnuplot_quoted(const std::string& text);
// A number for a gnuplot script (20 significant digits: more than a picture shows).
std::string gnuplot_number(Real v);

// Runs gnuplot (from the settings' gnuplot directory VGNU, else found on PATH) on `script`
// (which opens the picture itself) and checks that it ended well and
// left a file that is not empty. Says where the picture is in a NOTE line, or reports why there
// is none (gnuplot missing, an error of gnuplot, the time limit). True when the file is there.
bool run_gnuplot(Run& run, const PlotTarget& target, const std::string& script);

// The seconds gnuplot may take before it is stopped (the environment variable
// TARVEX_GNUPLOT_SECONDS, 1 to 3600, sets another limit).
inline constexpr int GNUPLOT_SECONDS = 60;

} // namespace tarvex
