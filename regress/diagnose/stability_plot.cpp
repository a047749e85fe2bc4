// Writes the data of the CUSUM and CUSUM-of-squares paths (observation, CUSUM, its lower and
// upper 5% bounds, CUSUM of squares, its mean line and, when drawn, its lower and upper
// bounds), the gnuplot commands that draw them as two panels, and has gnuplot draw the picture
// (drawing and checks are GRAPH's).
#include "regress/diagnose/stability_plot.hpp"

#include "core/error_report.hpp"
#include "core/file_replace.hpp"
#include "core/run.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/graph_errors.hpp"
#include "regress/ols/cusum_squares_bounds.hpp"
#include "regress/ols/ols_gnuplot.hpp"
#include "regress/ols/recursive_residuals.hpp"

namespace tarvex {

namespace {

void stability_plot_unwritten(Run& run, const std::string& name) {
    report_error(run, " ...ERROR..CANNOT WRITE PLOT FILE " + name, ERR_GRAPH_CANNOT_WRITE,
                 ErrorSeverity::CONTINUES);
}

std::string stability_plot_commands(const PlotTarget& target, const std::string& data_file,
                                    const CusumSquaresBounds& squares) {
    const std::string data = gnuplot_quoted(data_file);
    const std::string level = std::to_string(squares.level) + "% BOUNDS";
    const std::string squares_bounds =
        squares.done ? ", '' using 1:7 title '" + level +
                           "' with lines dt 2 lc rgb 'red', '' using 1:8 notitle with lines dt 2 "
                           "lc rgb 'red'"
                     : "";
    return "# DIAGNOSE: CUSUM and CUSUM of squares of the recursive residuals\n" +
           gnuplot_opening(target) + "set multiplot layout 2,1\nset grid\n" +
           "set title \"CUSUM OF RECURSIVE RESIDUALS WITH 5% BOUNDS\"\nplot " + data +
           " using 1:2 title 'CUSUM' with lines, '' using 1:3 title '5% BOUND' with lines dt 2 lc "
           "rgb 'red',"
           " '' using 1:4 notitle with lines dt 2 lc rgb 'red'\n" +
           "set title \"CUSUM OF SQUARES WITH ITS MEAN LINE" +
           (squares.done ? " AND " + level : std::string()) + "\"\nplot " + data +
           " using 1:5 title 'CUSUMSQ' with lines, '' using 1:6 title 'MEAN LINE' with lines"
           " dt 2" +
           squares_bounds + "\nunset multiplot\n";
}

} // namespace

void write_stability_plot(Run& run, const std::vector<int>& obs, const RecursiveTests& t,
                          const CusumSquaresBounds& squares, const std::string& command_file_given,
                          bool append, const std::string& device, const std::string& output) {
    std::string command_file = command_file_given;
    if (command_file.empty() || command_file == "********") command_file = "COMM.GNU";
    const std::string data_file = plot_data_file(command_file);
    std::string rows;
    for (int j = 0; j < t.count; ++j)
        rows += std::to_string(obs[std::size_t(j)]) + " " + gnuplot_number(t.cusum[j]) + " " +
                gnuplot_number(-t.bound[j]) + " " + gnuplot_number(t.bound[j]) + " " +
                gnuplot_number(t.cusumsq[j]) + " " + gnuplot_number(t.expected[j]) +
                (squares.done ? " " + gnuplot_number(squares.lower[j]) + " " +
                                    gnuplot_number(squares.upper[j])
                              : std::string()) +
                "\n";
    if (write_file_text(data_file, rows) != 0) {
        stability_plot_unwritten(run, data_file);
        return;
    }
    PlotTarget target;
    if (!plot_target(run, device, output, target)) return;
    const std::string commands = stability_plot_commands(target, data_file, squares);
    if (write_file_text(command_file, commands, append) != 0) {
        stability_plot_unwritten(run, command_file);
        return;
    }
    run_gnuplot(run, target, commands);
}

} // namespace tarvex
