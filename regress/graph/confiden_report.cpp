// Writing CONFIDEN's report and picture from the computed region.
#include "regress/graph/confiden_report.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/graph/char_plot.hpp"

namespace tarvex {

namespace {

constexpr int VALUE_W = 15, VALUE_D = 7;

std::string level_text(Real level) {
    return axis_value(level * 100) + "%";
}

std::string default_title(const RegionNames& n, const RegionInput& in) {
    return level_text(in.level) + " CONFIDENCE REGION OF " + n.names[0] + " AND " + n.names[1];
}

} // namespace

void report_confiden(Run& run, const RegionNames& n, const RegionInput& in,
                     const ConfidenceRegion& r, const GraphOptions& o) {
    write_line(run, "");
    write_line(run, " " + default_title(n, in));
    const std::string df = axis_value(in.df);
    write_line(run, in.asymptotic ? " REGION: (B-E)'V**-1(B-E) <= CHI-SQUARE(2) =" +
                                        fmt_G(r.radius2, VALUE_W, VALUE_D)
                                  : " REGION: (B-E)'V**-1(B-E) <= 2 F(2," + df +
                                        ") =" + fmt_G(r.radius2, VALUE_W, VALUE_D));
    write_line(run, in.asymptotic
                        ? " INTERVALS: E +- Z SE, Z =" + fmt_G(r.critical, VALUE_W, VALUE_D)
                        : " INTERVALS: E +- T SE, T(" + df +
                              ") =" + fmt_G(r.critical, VALUE_W, VALUE_D));
    write_line(run, " COEFFICIENT       ESTIMATE STANDARD ERROR          LOWER          UPPER");
    for (int j = 0; j < 2; ++j)
        write_line(run,
                   " " + first_n_padded(n.names[j], 8) + fmt_G(in.estimate[j], VALUE_W, VALUE_D) +
                       fmt_G(r.stderrs[j], VALUE_W, VALUE_D) + fmt_G(r.lower[j], VALUE_W, VALUE_D) +
                       fmt_G(r.upper[j], VALUE_W, VALUE_D));
    CharPlot plot;
    plot.title = o.TITLE.empty() ? std::string() : o.TITLE;
    plot.xlabel = o.XLABEL.empty() ? n.names[0] : o.XLABEL;
    plot.ylabel = o.YLABEL.empty() ? n.names[1] : o.YLABEL;
    plot.rows = o.LINES, plot.cols = o.COLS;
    plot.series.push_back({"REGION", '.', r.x, r.y});
    plot.series.push_back({"ESTIMATE", 'E', {in.estimate[0]}, {in.estimate[1]}});
    plot.vertical = {r.lower[0], r.upper[0]};
    plot.horizontal = {r.lower[1], r.upper[1]};
    write_line(run, "");
    for (const std::string& line : draw_char_plot(plot)) write_line(run, line);
    write_line(run, "             (: AND - MARK THE INDIVIDUAL INTERVALS)");
}

std::string confiden_script(const RegionNames& n, const RegionInput& in, const ConfidenceRegion& r,
                            const GraphOptions& o, const PlotTarget& target) {
    std::string out = gnuplot_opening(target);
    out += "set title " + gnuplot_quoted(o.TITLE.empty() ? default_title(n, in) : o.TITLE) + "\n";
    out += "set xlabel " + gnuplot_quoted(o.XLABEL.empty() ? n.names[0] : o.XLABEL) + "\n";
    out += "set ylabel " + gnuplot_quoted(o.YLABEL.empty() ? n.names[1] : o.YLABEL) + "\n";
    out += "set grid\nset key outside top center horizontal\n$E << EOD\n";
    for (std::size_t i = 0; i < r.x.size(); ++i)
        out += gnuplot_number(r.x[i]) + " " + gnuplot_number(r.y[i]) + "\n";
    out += "EOD\n$P << EOD\n" + gnuplot_number(in.estimate[0]) + " " +
           gnuplot_number(in.estimate[1]) + "\nEOD\n";
    for (Real v : {r.lower[0], r.upper[0]})
        out += "set arrow from " + gnuplot_number(v) + ", graph 0 to " + gnuplot_number(v) +
               ", graph 1 nohead dashtype 2\n";
    for (Real v : {r.lower[1], r.upper[1]})
        out += "set arrow from graph 0, first " + gnuplot_number(v) + " to graph 1, first " +
               gnuplot_number(v) + " nohead dashtype 2\n";
    out += "plot $E using 1:2 with lines linewidth 2 title " +
           gnuplot_quoted(level_text(in.level) + " REGION") +
           ", $P using 1:2 with points pointtype 7 pointsize 1.5 title 'ESTIMATE'\n";
    return out;
}

} // namespace tarvex
