// Writing the unit-root tests.
#include "regress/coint/unit_root_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

void write_critical(Run& run, const std::array<Real, 3>& c) {
    write_line(run, " CRITICAL VALUES:   1%" + fmt_F_fitted(c[0], 10, 4) + "   5%" +
                        fmt_F_fitted(c[1], 10, 4) + "  10%" + fmt_F_fitted(c[2], 10, 4));
}

} // namespace

const char* deterministic_word(Deterministic det) {
    return det == Deterministic::NONE       ? "NONE"
           : det == Deterministic::CONSTANT ? "CONSTANT"
                                            : "CONSTANT AND TREND";
}

void report_adf(Run& run, const std::string& name, const AdfTest& test, Deterministic det,
                const LagChoice& choice, bool wide) {
    const AdfFit& fit = test.fit;
    const bool covered = test.covered;
    const Real p = test.pvalue;
    if (run.flags.OPUT) {
        write_line(run, " AUGMENTED DICKEY-FULLER TEST FOR A UNIT ROOT IN " +
                            trim_trailing_blanks(name));
        write_line(run, std::string(" DETERMINISTIC TERMS: ") + deterministic_word(det));
        std::string lags = " LAGGED DIFFERENCES:" + fmt_I_fitted(fit.lag, 4);
        if (choice.select != LagSelection::FIXED)
            lags += ", CHOSEN BY " +
                    std::string(choice.select == LagSelection::AIC ? "AIC" : "BIC") + " FROM" +
                    fmt_I_fitted(choice.max_lag >= 1 ? 1 : 0, 2) + " TO" +
                    fmt_I_fitted(choice.max_lag, 4) + " ON THE SAME OBSERVATIONS";
        write_line(run, lags);
        write_line(run, fmt_I_fitted(fit.n, 9) + " OBSERVATIONS IN THE TEST REGRESSION");
        write_line(run, " ");
        CoefficientTable t;
        t.label = " TEST REGRESSION: DEPENDENT VARIABLE " + suffixed_name("D", name);
        const std::string base = trim_trailing_blanks(name);
        t.names.push_back(first_8_padded(lagged_name(base, 1)));
        for (int j = 1; j <= fit.lag; ++j)
            t.names.push_back(first_8_padded(lagged_name(suffixed_name("D", base), j)));
        if (det == Deterministic::TREND) t.names.push_back(first_8_padded("TREND"));
        if (det != Deterministic::NONE) t.names.push_back(first_8_padded("CONSTANT"));
        t.coef = fit.coef;
        t.se = fit.se;
        t.tstat = fit.tstat;
        t.pvalue = test.ratio_pvalue;
        t.partial = test.partial;
        t.df = fit.n - fit.k;
        t.wide = wide;
        write_coefficient_table(run, t);
        write_line(run, " ");
        std::string line = " DICKEY-FULLER TAU =" + fmt_F_fitted(fit.tau, 12, 6);
        if (covered)
            line += "     P-VALUE (MACKINNON) =" + fmt_F_fitted(p, 8, 5);
        else
            line += "     NO P-VALUE: MORE THAN 6 VARIABLES";
        write_line(run, line);
        if (covered) write_critical(run, test.critical);
    }
}

void report_phillips_perron(Run& run, const std::string& name, const PhillipsPerronTest& test,
                            Deterministic det) {
    const PhillipsPerronFit& fit = test.fit;
    if (run.flags.OPUT) {
        write_line(run, " PHILLIPS-PERRON TEST FOR A UNIT ROOT IN " + name);
        write_line(run, std::string(" DETERMINISTIC TERMS: ") + deterministic_word(det));
        write_line(run, fmt_I_fitted(fit.n, 9) + " OBSERVATIONS     BARTLETT BANDWIDTH:" +
                            fmt_I_fitted(fit.bandwidth, 4));
        write_line(run, " COEFFICIENT OF " + lagged_name(trim_trailing_blanks(name), 1) + " =" +
                            fmt_F_fitted(fit.alpha, 14, 8) +
                            "   STANDARD ERROR =" + fmt_F_fitted(fit.alpha_se, 12, 8));
        write_line(run, " SHORT-RUN VARIANCE =" + fmt_G(fit.short_run, 14, 7) +
                            "   LONG-RUN VARIANCE =" + fmt_G(fit.long_run, 14, 7));
        write_line(run, " Z-ALPHA =" + fmt_F_fitted(fit.z_alpha, 12, 6));
        write_line(run, " Z-TAU   =" + fmt_F_fitted(fit.z_tau, 12, 6) +
                            "     P-VALUE (MACKINNON) =" + fmt_F_fitted(test.pvalue, 8, 5));
        write_critical(run, test.critical);
    }
}

void report_kpss(Run& run, const std::string& name, const KpssTest& test, Deterministic det) {
    const KpssFit& fit = test.fit;
    const Real p = test.pvalue;
    const std::array<Real, 4>& c = test.critical;
    if (run.flags.OPUT) {
        write_line(run, std::string(" KPSS TEST OF ") +
                            (det == Deterministic::TREND ? "TREND" : "LEVEL") +
                            " STATIONARITY OF " + name);
        write_line(run, fmt_I_fitted(fit.n, 9) + " OBSERVATIONS     BARTLETT BANDWIDTH:" +
                            fmt_I_fitted(fit.bandwidth, 4) +
                            "     LONG-RUN VARIANCE =" + fmt_G(fit.long_run, 14, 7));
        std::string line = " KPSS ETA =" + fmt_F_fitted(fit.eta, 12, 6) +
                           "     P-VALUE (INTERPOLATED) =" + fmt_F_fitted(p, 7, 4);
        if (test.beyond != 0) line += test.beyond < 0 ? " OR LESS" : " OR MORE";
        write_line(run, line);
        write_line(run, " CRITICAL VALUES:  10%" + fmt_F_fitted(c[0], 7, 3) + "   5%" +
                            fmt_F_fitted(c[1], 7, 3) + "  2.5%" + fmt_F_fitted(c[2], 7, 3) +
                            "   1%" + fmt_F_fitted(c[3], 7, 3));
    }
}

} // namespace tarvex
