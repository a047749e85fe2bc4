// The frontier picture's gnuplot script (see portfolio_graph.hpp).
#include "regress/qp/portfolio_graph.hpp"

#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/graph_formats.hpp"
#include "regress/graph/graph_script.hpp"

#include <algorithm>

namespace tarvex {

std::string frontier_script(const Portfolios& p, const FrontierPicture& picture,
                            const GraphFormats& formats, const PlotTarget& target) {
    std::vector<Real> sd{p.minvar.sd}, mean{p.minvar.mean};
    for (const PortfolioPoint& pt : p.frontier) sd.push_back(pt.sd), mean.push_back(pt.mean);
    sd.insert(sd.end(), p.sd.begin(), p.sd.end());
    mean.insert(mean.end(), p.mean.begin(), p.mean.end());
    if (p.has_tangency) sd.push_back(0), mean.push_back(picture.rf);
    const ValueRange x = value_range({&sd}), y = value_range({&mean});
    std::string out = gnuplot_opening(target);
    out += "set title " +
           gnuplot_quoted(std::string("MEAN-VARIANCE FRONTIER, ") +
                          (picture.noshort ? "NO SHORT SALES" : "SHORT SALES ALLOWED")) +
           "\nset xlabel 'STANDARD DEVIATION'\nset ylabel 'MEAN'\nset grid\n"
           "set key outside top center horizontal\n";
    // Standard deviations start at 0; AXISFMT's ranges, when set, come after and win.
    out += "set xrange [0:*]\nset offsets 0, graph 0.05, graph 0.05, graph 0.05\n";
    out += gnuplot_axis_lines(formats, x.low, x.high, y.low, y.high);
    // The data: the frontier ($F), the assets with their names ($A), the minimum-variance
    // portfolio ($M) and, with a rate, the capital market line from (0, rf) through the
    // tangency portfolio ($T).
    out += "$F << EOD\n";
    for (const PortfolioPoint& pt : p.frontier)
        out += gnuplot_number(pt.sd) + " " + gnuplot_number(pt.mean) + "\n";
    out += "EOD\n$A << EOD\n";
    for (std::size_t i = 0; i < p.sd.size(); ++i)
        out += gnuplot_number(p.sd[i]) + " " + gnuplot_number(p.mean[i]) + " \"" +
               picture.names[i] + "\"\n";
    out += "EOD\n$M << EOD\n" + gnuplot_number(p.minvar.sd) + " " + gnuplot_number(p.minvar.mean) +
           "\nEOD\n";
    if (p.has_tangency) {
        // The line runs on past the tangency portfolio until it leaves the frontier's and the
        // assets' ranges.
        const Real slope = (p.tangency.mean - picture.rf) / p.tangency.sd;
        const Real end = slope > 0 ? std::min(x.high, (y.high - picture.rf) / slope) : x.high;
        out += "$T << EOD\n" + gnuplot_number(p.tangency.sd) + " " +
               gnuplot_number(p.tangency.mean) + "\nEOD\n$L << EOD\n0 " +
               gnuplot_number(picture.rf) + "\n" + gnuplot_number(end) + " " +
               gnuplot_number(picture.rf + slope * end) + "\nEOD\n";
    }
    out += "plot $F using 1:2 with linespoints pointtype 7 pointsize 0.5 title 'FRONTIER', \\\n"
           "     $A using 1:2 with points pointtype 5 title 'ASSETS', \\\n"
           "     $A using 1:2:3 with labels offset 1, 0.5 left notitle, \\\n"
           "     $M using 1:2 with points pointtype 9 pointsize 1.5 title 'MINIMUM VARIANCE'";
    if (p.has_tangency)
        out += ", \\\n     $T using 1:2 with points pointtype 11 pointsize 1.5 title 'TANGENCY', "
               "\\\n     $L using 1:2 with lines dashtype 2 title 'CAPITAL MARKET LINE'";
    return out + "\n";
}

} // namespace tarvex
