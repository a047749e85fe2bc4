// Writing Johansen's test.
#include "regress/coint/johansen_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/coint/johansen_tables.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

const char* terms_line(JohansenTerms terms) {
    switch (terms) {
    case JohansenTerms::NONE:
        return " DETERMINISTIC TERMS: NONE";
    case JohansenTerms::CONSTANT:
        return " DETERMINISTIC TERMS: CONSTANT OUTSIDE THE RELATIONS";
    case JohansenTerms::RESTRICTED:
        return " DETERMINISTIC TERMS: CONSTANT IN THE RELATIONS";
    case JohansenTerms::TREND:
        return " DETERMINISTIC TERMS: TREND IN THE RELATIONS, CONSTANT OUTSIDE THEM";
    }
    return "";
}

const char* table_source(JohansenTerms terms) {
    return terms == JohansenTerms::NONE ? " CRITICAL VALUES: MACKINNON, HAUG AND MICHELIS (1999)"
                                        : " CRITICAL VALUES: OSTERWALD-LENUM (1992)";
}

std::string hypothesis(int r) {
    return r == 0 ? "   R =" + fmt_I_fitted(r, 3) + "  " : "   R <=" + fmt_I_fitted(r, 3) + " ";
}

void write_test_table(Run& run, const JohansenFit& fit, JohansenTerms terms, bool trace) {
    const bool covered = johansen_table_covers(terms, fit.m);
    write_line(run, trace ? " TRACE TEST" : " MAXIMUM EIGENVALUE TEST");
    write_line(run, std::string(" HYPOTHESIS   EIGENVALUE   STATISTIC") +
                        (covered ? "       10%      5%      1%" : ""));
    for (int r = 0; r < fit.m; ++r) {
        std::string line = hypothesis(r) + fmt_F_fitted(fit.eigenvalues[r], 12, 6) +
                           fmt_F_fitted(trace ? fit.trace[r] : fit.max_eigen[r], 12, 4);
        if (covered) {
            const std::array<Real, 3> c = johansen_critical_values(terms, fit.m - r, trace);
            line += "  " + fmt_F_fitted(c[0], 8, 2) + fmt_F_fitted(c[1], 8, 2) +
                    fmt_F_fitted(c[2], 8, 2);
        }
        write_line(run, line);
    }
}

// A p-row matrix (column-major, `rows` rows) with a heading row of eigenvalues, in blocks of
// columns.
void write_vector_matrix(Run& run, const std::string& title, const std::vector<std::string>& names,
                         const std::vector<Real>& values, const std::vector<Real>& eigenvalues,
                         bool wide) {
    const int rows = int(names.size()), cols = int(eigenvalues.size());
    const int block = wide ? 9 : 5;
    write_line(run, title);
    for (int first = 0; first < cols; first += block) {
        const int last = std::min(cols, first + block);
        std::string head = " EIGENVALUE";
        for (int k = first; k < last; ++k) head += fmt_G(eigenvalues[k], 13, 5);
        write_line(run, head);
        for (int i = 0; i < rows; ++i) {
            std::string line = " " + first_8_padded(names[i]) + "  ";
            for (int k = first; k < last; ++k)
                line += fmt_G(values[std::size_t(k) * rows + i], 13, 5);
            write_line(run, line);
        }
    }
}

} // namespace

void report_johansen(Run& run, const std::vector<std::string>& names, const JohansenFit& fit,
                     JohansenTerms terms, bool wide) {
    const bool covered = johansen_table_covers(terms, fit.m);
    if (!run.flags.OPUT) return;
    {
        write_line(run, " JOHANSEN COINTEGRATION TEST:" + fmt_I_fitted(fit.m, 3) +
                            " VARIABLES, VAR IN LEVELS OF" + fmt_I_fitted(fit.lags, 3) + " LAGS");
        write_line(run, terms_line(terms));
        write_line(run, fmt_I_fitted(fit.n, 9) +
                            " OBSERVATIONS     REGRESSORS OF THE DIFFERENCES:" +
                            fmt_I_fitted(fit.nregs, 4));
        write_line(run, " ");
        write_test_table(run, fit, terms, true);
        write_line(run, " ");
        write_test_table(run, fit, terms, false);
        if (covered)
            write_line(run, table_source(terms));
        else
            write_line(run, " NO CRITICAL VALUES: MORE THAN" +
                                fmt_I_fitted(johansen_table_trends(terms), 3) + " VARIABLES");
        write_line(run, " ");
        std::vector<std::string> rows;
        for (const std::string& n : names) rows.push_back(trim_trailing_blanks(n));
        if (terms == JohansenTerms::RESTRICTED) rows.push_back("CONSTANT");
        if (terms == JohansenTerms::TREND) rows.push_back("TREND");
        write_vector_matrix(run, " COINTEGRATING VECTORS, NORMALISED ON " + rows[0], rows,
                            fit.vectors, fit.eigenvalues, wide);
        write_line(run, " ");
        std::vector<std::string> equations;
        for (const std::string& n : names)
            equations.push_back(suffixed_name("D", trim_trailing_blanks(n)));
        write_vector_matrix(run, " LOADINGS (ALPHA), ONE ROW PER EQUATION", equations, fit.loadings,
                            fit.eigenvalues, wide);
    }
}

} // namespace tarvex
