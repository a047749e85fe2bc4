// The PORTFOLI report (see portfolio_report.hpp).
#include "regress/qp/portfolio_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/graph/char_plot.hpp"

#include <algorithm>
#include <initializer_list>

namespace tarvex {

namespace {

// Frontier weights are listed point by point for up to this many assets; beyond, WEIGHTS=
// stores them.
constexpr int PORTFOLIO_LISTED_ASSETS = 20;
constexpr int PORTFOLIO_POINTS_PER_BLOCK = 6;

// A value right-aligned in 20 columns, 12 significant digits.
std::string pf_value(Real v) {
    const std::string text = trim_blanks(fmt_G(v, 20, 12));
    return std::string(text.size() < 20 ? 20 - text.size() : 1, ' ') + text;
}

// A weight in 12 columns, 6 decimals.
std::string pf_weight(Real v) {
    return fmt_F(v, 12, 6);
}

std::string pf_name(const std::string& name, int width) {
    return " " + fmt_A(name, width - 1);
}

// A heading: `first` in 18 columns, then each label right-aligned in 20.
std::string pf_heading(const std::string& first, std::initializer_list<const char*> labels) {
    std::string line = pf_name(first, 18);
    for (const char* l : labels) line += fmt_A("", 20 - int(std::string(l).size())) + l;
    return line;
}

void write_portfolio_line(Run& run, const char* label, const PortfolioPoint& p) {
    write_line(run, pf_name(label, 18) + pf_value(p.mean) + pf_value(p.sd) + pf_value(p.sharpe));
}

void write_frontier_weights(Run& run, const PortfolioShown& s, const Portfolios& p) {
    const int points = int(p.frontier.size());
    for (int first = 0; first < points; first += PORTFOLIO_POINTS_PER_BLOCK) {
        const int last = std::min(points, first + PORTFOLIO_POINTS_PER_BLOCK);
        std::string head = pf_name("WEIGHTS AT POINT", 18);
        for (int j = first; j < last; ++j) head += fmt_I(j + 1, 12);
        write_line(run, "");
        write_line(run, head);
        for (int i = 0; i < p.k; ++i) {
            std::string line = pf_name(s.names[std::size_t(i)], 18);
            for (int j = first; j < last; ++j)
                line += pf_weight(p.frontier[std::size_t(j)].weights[std::size_t(i)]);
            write_line(run, line);
        }
    }
}

void write_frontier_plot(Run& run, const Portfolios& p) {
    CharPlot plot;
    plot.title = "MEAN-VARIANCE FRONTIER: MEAN AGAINST STANDARD DEVIATION";
    plot.xlabel = "STANDARD DEVIATION";
    plot.ylabel = "MEAN";
    plot.rows = 20;
    plot.cols = 72;
    CharSeries frontier, assets;
    frontier.name = "FRONTIER";
    for (const PortfolioPoint& pt : p.frontier) {
        frontier.x.push_back(pt.sd);
        frontier.y.push_back(pt.mean);
    }
    assets.name = "ASSETS";
    assets.symbol = 'O';
    for (int i = 0; i < p.k; ++i) {
        assets.x.push_back(p.sd[std::size_t(i)]);
        assets.y.push_back(p.mean[std::size_t(i)]);
    }
    plot.series.push_back(std::move(frontier));
    plot.series.push_back(std::move(assets));
    if (p.has_tangency) {
        CharSeries t;
        t.name = "TANGENCY";
        t.symbol = 'T';
        t.x.push_back(p.tangency.sd);
        t.y.push_back(p.tangency.mean);
        plot.series.push_back(std::move(t));
    }
    plot.x_text = [](Real v) { return axis_value(v); };
    write_line(run, "");
    for (const std::string& line : draw_char_plot(plot)) write_line(run, line);
}

} // namespace

void report_portfolios(Run& run, const PortfolioShown& s, const Portfolios& p) {
    write_line(run, "");
    write_line(run, " MEAN-VARIANCE PORTFOLIOS OF " + std::to_string(p.k) + " ASSETS, " +
                        (s.noshort ? "NO SHORT SALES" : "SHORT SALES ALLOWED"));
    write_line(run, " OBSERVATIONS" + fmt_I(s.beg, 8) + " TO" + fmt_I(s.end, 8) + "   (" +
                        std::to_string(p.n) + " USED)    RISK-FREE RATE " +
                        trim_blanks(fmt_G(s.rf, 20, 12)));
    write_line(run, "");
    write_line(run, pf_heading("ASSET", {"MEAN", "STD. DEVIATION"}));
    for (int i = 0; i < p.k; ++i)
        write_line(run, pf_name(s.names[std::size_t(i)], 18) + pf_value(p.mean[std::size_t(i)]) +
                            pf_value(p.sd[std::size_t(i)]));
    write_line(run, "");
    write_line(run, pf_heading("PORTFOLIO", {"MEAN", "STD. DEVIATION", "SHARPE RATIO"}));
    write_portfolio_line(run, "MINIMUM VARIANCE", p.minvar);
    if (p.has_tangency) write_portfolio_line(run, "TANGENCY", p.tangency);
    if (p.k <= PORTFOLIO_LISTED_ASSETS) write_line(run, "");
    if (p.k <= PORTFOLIO_LISTED_ASSETS)
        write_line(run, pf_name("WEIGHTS", 18) + fmt_A("", 1) + "MINIMUM VAR" +
                            (p.has_tangency ? "    TANGENCY" : ""));
    for (int i = 0; i < p.k && p.k <= PORTFOLIO_LISTED_ASSETS; ++i)
        write_line(
            run,
            pf_name(s.names[std::size_t(i)], 18) + pf_weight(p.minvar.weights[std::size_t(i)]) +
                (p.has_tangency ? pf_weight(p.tangency.weights[std::size_t(i)]) : std::string()));
    write_line(run, "");
    write_line(run, pf_heading("FRONTIER POINT", {"MEAN", "STD. DEVIATION", "SHARPE RATIO"}));
    for (std::size_t j = 0; j < p.frontier.size(); ++j) {
        const PortfolioPoint& pt = p.frontier[j];
        write_line(run, fmt_I(long(j + 1), 15) + fmt_A("", 3) + pf_value(pt.mean) +
                            pf_value(pt.sd) + pf_value(pt.sharpe));
    }
    if (p.k <= PORTFOLIO_LISTED_ASSETS)
        write_frontier_weights(run, s, p);
    else
        write_line(run, " " + std::to_string(p.k) +
                            " ASSETS: THE WEIGHTS ARE NOT LISTED (WEIGHTS= STORES THEM)");
    if (s.plot) write_frontier_plot(run, p);
}

} // namespace tarvex
