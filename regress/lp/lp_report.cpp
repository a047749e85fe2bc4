// The LP report: the problem's size and sense, the certified status, the objective, then one
// line per variable (value, reduced cost) and per row (type, right-hand side, slack, dual value);
// the GAMES report: the value, both strategies and the saddle points.
#include "regress/lp/lp_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <string>

namespace tarvex {

namespace {

// A value right-aligned in 24 columns, 16 significant digits.
std::string lp_value(Real v) {
    const std::string text = trim_blanks(fmt_G(v, 24, 16));
    return std::string(text.size() < 24 ? 24 - text.size() : 1, ' ') + text;
}

const char* row_type(RowSense s) {
    return s == RowSense::AT_MOST ? "  <=" : s == RowSense::EQUAL ? "   =" : "  >=";
}

} // namespace

void report_linear_program(Run& run, const LinearProgram& lp, const LpSolution& s) {
    write_line(run, "");
    write_line(run, std::string(" LINEAR PROGRAM: ") + (lp.maximise ? "MAXIMISE" : "MINIMISE") +
                        " C'X OVER" + fmt_I(lp.cols, 6) + " VARIABLES AND" + fmt_I(lp.rows, 6) +
                        " ROWS");
    write_line(run, " STATUS: OPTIMAL, CERTIFIED IN BINARY128    SIMPLEX ITERATIONS" +
                        fmt_I(s.iterations + s.exact_iterations, 8));
    write_line(run, " OBJECTIVE VALUE =" + lp_value(s.objective));
    write_line(run, "");
    write_line(run, " VARIABLE                   VALUE            REDUCED COST");
    for (int j = 0; j < lp.cols; ++j)
        write_line(run, fmt_I(j + 1, 9) + lp_value(s.x[std::size_t(j)]) +
                            lp_value(s.reduced[std::size_t(j)]));
    write_line(run, "");
    write_line(run, "      ROW TYPE            RIGHT SIDE                   SLACK"
                    "              DUAL VALUE");
    for (int i = 0; i < lp.rows; ++i)
        write_line(run, fmt_I(i + 1, 9) + row_type(lp.sense[std::size_t(i)]) +
                            lp_value(lp.b[std::size_t(i)]) + lp_value(s.slack[std::size_t(i)]) +
                            lp_value(s.dual[std::size_t(i)]));
}

void report_game(Run& run, int rows, int cols, const GameSolution& g) {
    write_line(run, "");
    write_line(run, " TWO-PERSON ZERO-SUM GAME:" + fmt_I(rows, 6) + " ROW STRATEGIES BY" +
                        fmt_I(cols, 6) + " COLUMN STRATEGIES");
    write_line(run, " VALUE OF THE GAME =" + lp_value(g.value));
    write_line(run, "");
    write_line(run, " STRATEGY     ROW PLAYER (MAXIMISES)  COLUMN PLAYER (MINIMISES)");
    const int most = rows > cols ? rows : cols;
    for (int k = 0; k < most; ++k) {
        std::string line = fmt_I(k + 1, 9);
        line += k < rows ? lp_value(g.row_strategy[std::size_t(k)]) : std::string(24, ' ');
        if (k < cols) line += "   " + lp_value(g.col_strategy[std::size_t(k)]);
        write_line(run, trim_trailing_blanks(line));
    }
    write_line(run, "");
    if (g.saddle_points.empty())
        write_line(run, " NO SADDLE POINT: THE OPTIMAL STRATEGIES ARE MIXED");
    for (const auto& [r, c] : g.saddle_points)
        write_line(run, " SADDLE POINT (PURE STRATEGIES) AT ROW" + fmt_I(r, 6) + ", COLUMN" +
                            fmt_I(c, 6));
}

void report_uncertified(Run& run, long long pivots, long long limit, int err) {
    report_error(run,
                 " ...ERROR..NO BASIS OF THE LINEAR PROGRAM PASSED THE BINARY128 OPTIMALITY "
                 "CHECK AFTER " +
                     std::to_string(pivots) +
                     " PIVOTS (EACH STAGE MAY TAKE MAXIT=" + std::to_string(limit) + ")",
                 err);
}

} // namespace tarvex
