// Writing the estimates of 2SLS and INSTRUME.
#include "regress/iv/iv_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

namespace {

std::vector<std::string> iv_term_names(const std::vector<OlsTerm>& terms) {
    std::vector<std::string> names;
    for (const OlsTerm& t : terms) names.push_back(t.name);
    return names;
}

std::string p_value(Real p) {
    return ", P-VALUE=" + fmt_F_fitted(p, 8, 5);
}

void write_tests(Run& run, const IvEquation& eq, const IvEstimate& e) {
    if (!e.first_stage.empty()) {
        write_line(run, " ");
        write_line(run, " FIRST-STAGE F TESTS OF THE" + fmt_I_fitted(e.excluded, 4) +
                            " EXCLUDED INSTRUMENTS (WEAK INSTRUMENTS):");
        for (std::size_t j = 0; j < e.first_stage.size(); ++j) {
            const IvStatistic& f = e.first_stage[j];
            if (!f.available) {
                write_line(run, " " + eq.terms[e.endogenous[j]].name +
                                    "  F NOT AVAILABLE: NO DEGREES OF FREEDOM LEFT");
                continue;
            }
            write_line(run, " " + eq.terms[e.endogenous[j]].name + "  F =" + fmt_G(f.value, 14, 7) +
                                " WITH" + fmt_I_fitted(f.df1, 5) + " AND" + fmt_I_fitted(f.df2, 8) +
                                " D.F." + p_value(f.pvalue));
        }
    }
    if (e.exact_fit)
        write_line(run, " ...NOTE..NO TESTS OF EXOGENEITY OR OVER-IDENTIFICATION: THE EQUATION "
                        "FITS EXACTLY");
    if (e.wu_hausman.available)
        write_line(run, " WU-HAUSMAN TEST OF EXOGENEITY: F =" + fmt_G(e.wu_hausman.value, 14, 7) +
                            " WITH" + fmt_I_fitted(e.wu_hausman.df1, 5) + " AND" +
                            fmt_I_fitted(e.wu_hausman.df2, 8) + " D.F." +
                            p_value(e.wu_hausman.pvalue));
    if (e.sargan.available)
        write_line(run, " SARGAN TEST OF OVER-IDENTIFYING RESTRICTIONS: CHI-SQUARE =" +
                            fmt_G(e.sargan.value, 14, 7) + " WITH" + fmt_I_fitted(e.sargan.df1, 4) +
                            " D.F." + p_value(e.sargan.pvalue));
    if (e.hansen.available)
        write_line(run, " HANSEN J TEST OF OVER-IDENTIFYING RESTRICTIONS: CHI-SQUARE =" +
                            fmt_G(e.hansen.value, 14, 7) + " WITH" + fmt_I_fitted(e.hansen.df1, 4) +
                            " D.F." + p_value(e.hansen.pvalue));
    else if (e.robust && e.sargan.available)
        write_line(run, " HANSEN J TEST: THE ROBUST INSTRUMENT MOMENT MATRIX IS SINGULAR");
}

} // namespace

// A title and names, eight to a line, the following lines indented under the first name.
void write_name_list(Run& run, const std::string& title, const std::vector<std::string>& names) {
    std::string line = title;
    const std::string indent(title.size(), ' ');
    int on_line = 0;
    for (const std::string& name : names) {
        if (on_line == 8) {
            write_line(run, line);
            line = indent;
            on_line = 0;
        }
        line += " " + name;
        ++on_line;
    }
    write_line(run, line);
}

void report_iv(Run& run, const IvEquation& eq, const IvEstimate& e, const IvOptions& o) {
    if (!run.flags.OPUT) return;
    const EstimationResults& r = e.result.record;
    write_line(run, eq.command == "INSTRUME" ? " INSTRUMENTAL VARIABLES ESTIMATION"
                                             : " TWO STAGE LEAST SQUARES");
    write_line(run, fmt_I_fitted(r.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    std::vector<std::string> endogenous;
    for (int a : e.endogenous) endogenous.push_back(eq.terms[a].name);
    if (!endogenous.empty()) write_name_list(run, " ENDOGENOUS REGRESSORS:", endogenous);
    write_name_list(run, " INSTRUMENTS:", iv_term_names(eq.instruments));
    if (!e.covariance_note.empty()) {
        write_line(run, e.covariance_note);
    } else if (e.robust) {
        write_line(run, " USING HETEROSKEDASTICITY-CONSISTENT COVARIANCE MATRIX");
        if (e.lags > 0) {
            write_line(run, " AND AUTOCORRELATION-CONSISTENT MATRIX WITH ORDER=" +
                                fmt_I_fitted(e.lags, 3));
            write_line(run, " BY NEWEY-WEST CORRECTION METHOD");
        }
    }
    write_line(run, " ");
    write_line(run, "  R-SQUARE =" + fmt_F_fitted(r.rsqr, 9, 4) + fmt_X(5) +
                        "R-SQUARE ADJUSTED =" + fmt_F_fitted(e.adjr2, 9, 4));
    write_line(run, " VARIANCE OF THE ESTIMATE-SIGMA**2 =" + fmt_G(e.sigma2, 13, 5));
    write_line(run, " STANDARD ERROR OF THE ESTIMATE-SIGMA =" + fmt_G(r.sigma, 13, 5));
    write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
    if (e.centred) write_line(run, " MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean, 13, 5));
    write_line(run, " ");
    CoefficientTable t = coefficient_table(e.result);
    t.wide = o.WIDE;
    write_coefficient_table(run, t);
    write_tests(run, eq, e);
    write_coefficient_matrices(run, t.names, r.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
