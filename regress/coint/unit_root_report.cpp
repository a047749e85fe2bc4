// Writing the unit-root tests.
#include "regress/coint/unit_root_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/coint/mackinnon.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/term_names.hpp"

namespace tarvex {

namespace {

// Kwiatkowski, Phillips, Schmidt and Shin (1992), table 1: upper 10%, 5%, 2.5% and 1% points.
const Real KPSS_LEVEL[4] = {0.347Q, 0.463Q, 0.574Q, 0.739Q};
const Real KPSS_TREND[4] = {0.119Q, 0.146Q, 0.176Q, 0.216Q};
const Real KPSS_P[4] = {0.10Q, 0.05Q, 0.025Q, 0.01Q};

void write_critical(Run& run, const std::array<Real, 3>& c) {
    write_line(run, " CRITICAL VALUES:   1%" + fmt_F(c[0], 10, 4) + "   5%" + fmt_F(c[1], 10, 4) +
                        "  10%" + fmt_F(c[2], 10, 4));
}

void set_scalars(Run& run, Real stat, Real pvalue, Real crit5, int lags) {
    ResultScalars& res = run.res;
    res[R_VAL] = stat;
    res[R_PVAL] = pvalue;
    res[R_CRIT] = crit5;
    res[R_VAL1] = lags;
}

} // namespace

const char* deterministic_word(Deterministic det) {
    return det == Deterministic::NONE       ? "NONE"
           : det == Deterministic::CONSTANT ? "CONSTANT"
                                            : "CONSTANT AND TREND";
}

Real kpss_pvalue(Real eta, Deterministic det) {
    const Real* c = det == Deterministic::TREND ? KPSS_TREND : KPSS_LEVEL;
    if (eta <= c[0]) return KPSS_P[0];
    if (eta >= c[3]) return KPSS_P[3];
    int i = 0;
    while (eta > c[i + 1]) ++i;
    return KPSS_P[i] + (KPSS_P[i + 1] - KPSS_P[i]) * (eta - c[i]) / (c[i + 1] - c[i]);
}

void report_adf(Run& run, const std::string& name, const AdfFit& fit, Deterministic det,
                const LagChoice& choice, Deterministic surface, int nvars, bool wide) {
    const bool covered = mackinnon_covers(surface, nvars);
    const Real p = covered ? mackinnon_pvalue(fit.tau, surface, nvars) : Real(-1);
    std::array<Real, 3> crit{};
    if (covered) crit = mackinnon_critical_values(surface, nvars, fit.n);
    if (run.flags.OPUT) {
        write_line(run, " AUGMENTED DICKEY-FULLER TEST FOR A UNIT ROOT IN " +
                            trim_trailing_blanks(name));
        write_line(run, std::string(" DETERMINISTIC TERMS: ") + deterministic_word(det));
        std::string lags = " LAGGED DIFFERENCES:" + fmt_I(fit.lag, 4);
        if (choice.select != LagSelection::FIXED)
            lags += ", CHOSEN BY " +
                    std::string(choice.select == LagSelection::AIC ? "AIC" : "BIC") + " FROM" +
                    fmt_I(choice.max_lag >= 1 ? 1 : 0, 2) + " TO" + fmt_I(choice.max_lag, 4) +
                    " ON THE SAME OBSERVATIONS";
        write_line(run, lags);
        write_line(run, fmt_I(fit.n, 9) + " OBSERVATIONS IN THE TEST REGRESSION");
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
        t.df = fit.n - fit.k;
        t.wide = wide;
        write_coefficient_table(run, t);
        write_line(run, " ");
        std::string line = " DICKEY-FULLER TAU =" + fmt_F(fit.tau, 12, 6);
        if (covered)
            line += "     P-VALUE (MACKINNON) =" + fmt_F(p, 8, 5);
        else
            line += "     NO P-VALUE: MORE THAN 6 VARIABLES";
        write_line(run, line);
        if (covered) write_critical(run, crit);
    }
    set_scalars(run, fit.tau, p, crit[1], fit.lag);
    ResultScalars& res = run.res;
    res[R_N] = fit.n;
    res[R_K] = fit.k;
    res[R_SSE] = fit.sse;
    res[R_SIG2] = fit.sigma2;
    res[R_DF] = fit.n - fit.k;
}

void report_phillips_perron(Run& run, const std::string& name, const PhillipsPerronFit& fit,
                            Deterministic det) {
    const Real p = mackinnon_pvalue(fit.z_tau, det, 1);
    const std::array<Real, 3> crit = mackinnon_critical_values(det, 1, fit.n);
    if (run.flags.OPUT) {
        write_line(run, " PHILLIPS-PERRON TEST FOR A UNIT ROOT IN " + name);
        write_line(run, std::string(" DETERMINISTIC TERMS: ") + deterministic_word(det));
        write_line(run, fmt_I(fit.n, 9) +
                            " OBSERVATIONS     BARTLETT BANDWIDTH:" + fmt_I(fit.bandwidth, 4));
        write_line(run, " COEFFICIENT OF " + lagged_name(trim_trailing_blanks(name), 1) + " =" +
                            fmt_F(fit.alpha, 14, 8) +
                            "   STANDARD ERROR =" + fmt_F(fit.alpha_se, 12, 8));
        write_line(run, " SHORT-RUN VARIANCE =" + fmt_G(fit.short_run, 14, 7) +
                            "   LONG-RUN VARIANCE =" + fmt_G(fit.long_run, 14, 7));
        write_line(run, " Z-ALPHA =" + fmt_F(fit.z_alpha, 12, 6));
        write_line(run, " Z-TAU   =" + fmt_F(fit.z_tau, 12, 6) +
                            "     P-VALUE (MACKINNON) =" + fmt_F(p, 8, 5));
        write_critical(run, crit);
    }
    set_scalars(run, fit.z_tau, p, crit[1], fit.bandwidth);
    run.res[R_VAL2] = fit.z_alpha;
    run.res[R_N] = fit.n;
}

void report_kpss(Run& run, const std::string& name, const KpssFit& fit, Deterministic det) {
    const Real p = kpss_pvalue(fit.eta, det);
    const Real* c = det == Deterministic::TREND ? KPSS_TREND : KPSS_LEVEL;
    if (run.flags.OPUT) {
        write_line(run, std::string(" KPSS TEST OF ") +
                            (det == Deterministic::TREND ? "TREND" : "LEVEL") +
                            " STATIONARITY OF " + name);
        write_line(run, fmt_I(fit.n, 9) +
                            " OBSERVATIONS     BARTLETT BANDWIDTH:" + fmt_I(fit.bandwidth, 4) +
                            "     LONG-RUN VARIANCE =" + fmt_G(fit.long_run, 14, 7));
        std::string line = " KPSS ETA =" + fmt_F(fit.eta, 12, 6) +
                           "     P-VALUE (INTERPOLATED) =" + fmt_F(p, 7, 4);
        if (p <= KPSS_P[3] || p >= KPSS_P[0]) line += p <= KPSS_P[3] ? " OR LESS" : " OR MORE";
        write_line(run, line);
        write_line(run, " CRITICAL VALUES:  10%" + fmt_F(c[0], 7, 3) + "   5%" + fmt_F(c[1], 7, 3) +
                            "  2.5%" + fmt_F(c[2], 7, 3) + "   1%" + fmt_F(c[3], 7, 3));
    }
    set_scalars(run, fit.eta, p, c[1], fit.bandwidth);
    run.res[R_N] = fit.n;
}

} // namespace tarvex
