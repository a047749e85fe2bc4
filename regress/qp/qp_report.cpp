// The QP report (see qp_report.hpp).
#include "regress/qp/qp_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <string>

namespace tarvex {

namespace {

// A value right-aligned in 24 columns, 16 significant digits.
std::string qp_value(Real v) {
    const std::string text = trim_blanks(fmt_G(v, 24, 16));
    return std::string(text.size() < 24 ? 24 - text.size() : 1, ' ') + text;
}

// A violation in 12 columns, 3 decimals of the exponent form.
std::string qp_violation(Real v) {
    return fmt_E(v, 12, 3);
}

const char* qp_row_type(RowSense s) {
    return s == RowSense::AT_MOST ? "  <=" : s == RowSense::EQUAL ? "   =" : "  >=";
}

const char* qp_bound_word(const QuadraticProgram& qp, const QpSolution& s, std::size_t j) {
    if (s.bound[j] == 0 && s.x[j] != qp.lower[j] && s.x[j] != qp.upper[j]) return "";
    if (qp.lower[j] == qp.upper[j] && s.x[j] == qp.lower[j]) return "  FIXED";
    if (s.x[j] == qp.lower[j]) return "  AT LOWER";
    if (s.x[j] == qp.upper[j]) return "  AT UPPER";
    return "";
}

} // namespace

void report_quadratic_program(Run& run, const QuadraticProgram& qp, const QpSolution& s) {
    write_line(run, "");
    write_line(run, " QUADRATIC PROGRAM: MINIMISE 1/2 X'QX + C'X OVER" + fmt_I(qp.cols, 6) +
                        " VARIABLES AND" + fmt_I(qp.rows, 6) + " ROWS");
    write_line(run, " STATUS: OPTIMAL, VERIFIED IN BINARY128    ACTIVE-SET STEPS" +
                        fmt_I(s.iterations + s.exact_iterations, 8));
    write_line(run, " OBJECTIVE VALUE =" + qp_value(s.objective));
    write_line(run, "");
    write_line(run, " VARIABLE                   VALUE        BOUND MULTIPLIER");
    for (std::size_t j = 0; j < std::size_t(qp.cols); ++j)
        write_line(run, fmt_I(long(j + 1), 9) + qp_value(s.x[j]) + qp_value(s.bound[j]) +
                            qp_bound_word(qp, s, j));
    if (qp.rows > 0) {
        write_line(run, "");
        write_line(run, "      ROW TYPE            RIGHT SIDE                   SLACK"
                        "              DUAL VALUE");
        for (std::size_t i = 0; i < std::size_t(qp.rows); ++i)
            write_line(run, fmt_I(long(i + 1), 9) + qp_row_type(qp.sense[i]) + qp_value(qp.b[i]) +
                                qp_value(s.slack[i]) + qp_value(s.dual[i]) +
                                (s.active_row[i] ? "  ACTIVE" : ""));
    }
    const QpVerification& v = s.check;
    write_line(run, "");
    write_line(run, " OPTIMALITY CONDITIONS CHECKED IN BINARY128 (LARGEST VIOLATION)");
    write_line(run, "   STATIONARITY  |QX + C - A'Y - Z|   " + qp_violation(v.stationarity));
    write_line(run, "   PRIMAL FEASIBILITY                 " + qp_violation(v.feasibility));
    write_line(run, "   MULTIPLIER SIGNS                   " + qp_violation(v.sign));
    write_line(run, "   COMPLEMENTARY SLACKNESS            " + qp_violation(v.complementarity));
    write_line(run, "   TOLERANCE                          " + qp_violation(v.tolerance));
    write_line(run, " ACTIVE ROWS" + fmt_I(s.active_rows, 6) + "    VARIABLES AT A BOUND" +
                        fmt_I(s.active_bounds, 6));
    if (!s.unique_x)
        write_line(run,
                   " ...NOTE..THE OPTIMUM IS NOT UNIQUE: Q IS FLAT ALONG A DIRECTION THE ACTIVE "
                   "CONSTRAINTS ALLOW, SO OTHER X GIVE THE SAME OBJECTIVE");
}

} // namespace tarvex
