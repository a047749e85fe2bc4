// Residual plot files for gnuplot. The data file holds one line per observation used: the
// observation number, the actual value, the fitted value and the residual. The command file
// (COMMFILE, default COMM.GNU; appended to with APPEND) opens the picture named by DEVICE and
// OUTPUT (a PNG file graph1.png, graph2.png ... in the current directory unless they say
// otherwise) and draws actual and fitted values above the residuals. gnuplot then draws it at
// once (the drawing and its checks are GRAPH's, in regress/graph).
#include "regress/ols/ols_gnuplot.hpp"

#include "core/error_report.hpp"
#include "core/file_replace.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/graph_errors.hpp"

#include <cstdio>

namespace tarvex {

namespace {

// The estimation and its report stand: only the plot is missing.
void cannot_write(Run& run, const std::string& name) {
    report_error(run, " ...ERROR..CANNOT WRITE PLOT FILE " + name, ERR_GRAPH_CANNOT_WRITE,
                 ErrorSeverity::CONTINUES);
}

// The commands that draw the two plots, one above the other.
std::string plot_commands(const OlsFit& fit, const PlotTarget& target,
                          const std::string& data_file) {
    const std::string dep = trim_trailing_blanks(fit.dep_name);
    const std::string data = gnuplot_quoted(data_file);
    return "# " + trim_blanks(fit.label) + " regression of " + dep + "\n" +
           gnuplot_opening(target) + "set multiplot layout 2,1\nset grid\n" +
           "set title \"ACTUAL AND FITTED VALUES OF " + dep + "\"\n" + "plot " + data +
           " using 1:2 title 'ACTUAL' with linespoints, '' using 1:3 title 'FITTED' with lines\n" +
           "set title \"RESIDUALS OF " + dep + "\"\n" + "plot " + data +
           " using 1:4 title 'RESIDUAL' with impulses\nunset multiplot\n";
}

} // namespace

std::string plot_data_file(const std::string& command_file) {
    const std::size_t slash = command_file.find_last_of('/');
    const std::size_t dot = command_file.find_last_of('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? command_file.substr(0, dot) : command_file) + ".DAT";
}

void write_residual_plot(Run& run, const OlsFit& fit, const OlsOptions& o) {
    std::string command_file = trim_trailing_blanks(o.commfile_full);
    if (command_file.empty() || command_file == "********") command_file = "COMM.GNU";
    const std::string data_file = plot_data_file(command_file);

    // Each file is replaced only by its complete new version: a failed write (a full disk)
    // keeps the user's earlier file.
    std::string rows;
    for (int i = 0; i < fit.n; ++i)
        rows += std::to_string(fit.obs[i]) + " " + gnuplot_number(fit.y[i]) + " " +
                gnuplot_number(fit.fitted[i]) + " " + gnuplot_number(fit.resid[i]) + "\n";
    if (write_file_text(data_file, rows) != 0) {
        cannot_write(run, data_file);
        return;
    }

    PlotTarget target;
    if (!plot_target(run, trim_trailing_blanks(o.DEVICE), o.output_full, target)) return;
    const std::string commands = plot_commands(fit, target, data_file);
    if (write_file_text(command_file, commands, o.APPEND) != 0) {
        cannot_write(run, command_file);
        return;
    }
    run_gnuplot(run, target, commands);
}

} // namespace tarvex
