// The report of DIAGNOSE: the heading, the Chow tests, the sup-F test and the ARCH test.
#include "regress/diagnose/diagnose_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

namespace {

// " name F=  value  DF=( d1, d2)  P-VALUE= p"
std::string diagnose_f_line(const std::string& name, Real f, Real df1, Real df2, Real p) {
    return " " + name + " F =" + fmt_G(f, 16, 9) + "   DF = (" + fmt_I((long long)df1, 5) + "," +
           fmt_I((long long)df2, 5) + ")   P-VALUE =" + fmt_F(p, 10, 6);
}

} // namespace

void write_diagnose_heading(Run& run, int beg, int end, int n, int k) {
    write_line(run, " ");
    write_line(run, " DIAGNOSTIC TESTS OF THE LAST LEAST-SQUARES ESTIMATION, OBS." + fmt_I(beg, 6) +
                        " TO" + fmt_I(end, 6) + ", N =" + fmt_I(n, 6) + ", K =" + fmt_I(k, 4));
}

void write_chow_tests(Run& run, int obs, int n1, int n2, const ChowTests& c) {
    write_line(run, " ");
    write_line(run, " CHOW TESTS WITH THE BREAK AT OBSERVATION" + fmt_I(obs, 7) +
                        ":  N1 =" + fmt_I(n1, 6) + ", N2 =" + fmt_I(n2, 6));
    if (c.breakpoint_done)
        write_line(run, diagnose_f_line("BREAKPOINT TEST:", c.f_break, c.df1_break, c.df2_break,
                                        c.p_break));
    else
        write_line(run, " BREAKPOINT TEST: NOT DONE, EACH PART NEEDS AT LEAST K OBSERVATIONS");
    if (c.predictive_done)
        write_line(run,
                   diagnose_f_line("PREDICTIVE TEST:", c.f_pred, c.df1_pred, c.df2_pred, c.p_pred));
    else
        write_line(run, " PREDICTIVE TEST: NOT DONE, NO RESIDUAL VARIATION BEFORE THE BREAK");
}

void write_sup_wald(Run& run, int first_obs, int last_obs, int at_obs, const SupWald& w) {
    write_line(run, " ");
    write_line(run, " QUANDT-ANDREWS TEST: CHOW STATISTICS (WALD FORM) FOR BREAKS AT OBS." +
                        fmt_I(first_obs, 6) + " TO" + fmt_I(last_obs, 6) + " (15% TRIMMED)");
    write_line(run, " SUP-F =" + fmt_G(w.sup, 16, 9) + "   AT OBSERVATION" + fmt_I(at_obs, 7) +
                        "   (" + fmt_I((long long)w.stats.size(), 5) + " BREAKS)");
    if (w.p_done)
        write_line(run, " P-VALUE (ANDREWS' DISTRIBUTION, HANSEN'S APPROXIMATION) =" +
                            fmt_F(w.p, 10, 6) + "   LAMBDA =" + fmt_F(w.lambda, 10, 4));
    else
        write_line(run, " P-VALUE: NOT AVAILABLE FOR MORE THAN 40 COEFFICIENTS");
}

void write_arch_test(Run& run, int q, const ArchTest& a) {
    write_line(run, " ");
    write_line(run, " ARCH TEST OF ORDER" + fmt_I(q, 3) + " ON THE SQUARED RESIDUALS," +
                        fmt_I(a.rows, 6) + " OBSERVATIONS, R-SQUARE =" + fmt_F(a.r2, 12, 8));
    write_line(run, " LM = T*R-SQUARE =" + fmt_G(a.lm, 16, 9) + "   CHI-SQUARE(" + fmt_I(q, 3) +
                        ")   P-VALUE =" + fmt_F(a.p_lm, 10, 6));
    write_line(run, diagnose_f_line("F FORM:", a.f, q, a.df2, a.p_f));
}

} // namespace tarvex
