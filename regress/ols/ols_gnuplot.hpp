// The residual plots of a regression for the external gnuplot program (GNUPLOT, GRAPHICS): a
// data file of the observations and a command file that draws them into a picture file, which
// gnuplot then draws.
#pragma once

#include <string>

namespace tarvex {

struct Run;
struct OlsFit;
struct OlsOptions;

// The data file that goes with a command file: its name with the extension replaced by ".DAT".
std::string plot_data_file(const std::string& command_file);
// Writes both files and has gnuplot draw the picture; a file that cannot be written is reported
// and nothing is drawn.
void write_residual_plot(Run& run, const OlsFit& fit, const OlsOptions& o);

} // namespace tarvex
