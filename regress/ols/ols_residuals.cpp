// OLSRES: the residual statistics lines (RSTAT), the normality and heteroskedasticity tests
// (LM), the goodness-of-fit counts (GF) and the table of observed and predicted values (LIST),
// written from statistics already worked out.
#include "regress/ols/ols_report.hpp"

#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_residual_stats.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int COUNTS_PER_LINE = 20;
constexpr int PLOT_WIDE = 60;
constexpr int PLOT_NARROW = 30;

void write_statistics(Run& run, const OlsFit& fit, const ResidualStats& r, const OlsOptions& o) {
    write_line(run, " ");
    // Weighted rows were fitted; the statistics below are those of the unweighted residuals.
    if (fit_weighted(fit)) {
        write_line(run, std::string(" RESIDUAL STATISTICS ARE COMPUTED FROM UNTRANSFORMED") +
                            " DEPENDENT VARIABLE");
    }
    write_line(run, " DURBIN-WATSON =" + fmt_F(r.dw, 7, 4) + fmt_X(4) + "VON NEUMANN RATIO = " +
                        fmt_F(r.von_neumann, 6, 4) + fmt_X(4) + "RHO = " + fmt_F(r.rho, 8, 5));
    write_line(run, " RESIDUAL SUM =" + fmt_G(r.sum, 13, 5) +
                        "  RESIDUAL VARIANCE =" + fmt_G(r.variance, 13, 5));
    write_line(run, " SUM OF ABSOLUTE ERRORS=" + fmt_G(r.abs_sum, 13, 5));
    write_line(run, " R-SQUARE BETWEEN OBSERVED AND PREDICTED =" + fmt_F(r.r2op, 7, 4));
    if (fit.log_dependent)
        write_line(run, " R-SQUARE BETWEEN ANTILOGS OBSERVED AND PREDICTED =" +
                            fmt_F(r.r2op_antilog, 7, 4));
    write_line(run, " RUNS TEST:" + fmt_I(r.runs, 5) + " RUNS," + fmt_I(r.pos, 5) + " POS," +
                        fmt_I(r.zero, 5) + " ZERO," + fmt_I(r.neg, 5) +
                        " NEG  NORMAL STATISTIC =" + fmt_F(r.runs_z, 8, 4));
    if (fit.lagged_dependent >= 0) {
        if (r.durh_available)
            write_line(run, " DURBIN H STATISTIC (ASYMPTOTIC NORMAL) =" + fmt_G(r.durh, 13, 5));
        else if (run.sw[OWARN])
            write_line(run, " ...WARNING..DURBIN H STATISTIC CANNOT BE COMPUTED");
    }
    if (o.LM) {
        write_line(run, " COEFFICIENT OF SKEWNESS =" + fmt_F(r.skew, 9, 4) + " WITH STANDARD" +
                            " DEVIATION OF" + fmt_F(r.skew_se, 7, 4));
        write_line(run, " COEFFICIENT OF EXCESS KURTOSIS =" + fmt_F(r.kurt, 9, 4) +
                            " WITH STANDARD DEVIATION OF" + fmt_F(r.kurt_se, 7, 4));
        write_line(run, " JARQUE-BERA NORMALITY TEST- CHI-SQUARE(2 DF)=" + fmt_F(r.jb, 10, 4) +
                            " P-VALUE=" + fmt_F(r.jb_p, 6, 3));
        if (r.hp_available) {
            write_line(run, " HALL-PAGAN ASYMPTOTIC LM HETEROSKEDASTICITY TEST");
            write_line(run, " CHI-SQUARE =" + fmt_F(r.hp_chi, 10, 4) + " WITH" + fmt_I(r.hp_df, 3) +
                                " DEGREES OF FREEDOM," + " P-VALUE=" + fmt_F(r.hp_p, 6, 3));
        }
    }
}

// A row label and up to 20 values a line; continuation lines indented nine blanks.
void write_counts(Run& run, const std::string& label, const std::vector<Real>& values) {
    std::string line = label;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0 && i % COUNTS_PER_LINE == 0) {
            write_line(run, line);
            line = fmt_X(9);
        }
        line += fmt_F(values[i], 5, 1);
    }
    write_line(run, line);
}

void write_goodness_of_fit(Run& run, const ResidualStats& r) {
    write_line(run, " ");
    write_line(run, fmt_X(6) + "GOODNESS OF FIT TEST FOR NORMALITY OF RESIDUALS - " +
                        fmt_I(static_cast<long long>(r.gf_observed.size()), 2) + " GROUPS");
    write_counts(run, " OBSERVED", r.gf_observed);
    write_counts(run, " EXPECTED", r.gf_expected);
}

// The residual's place on a plot line of `width` columns, the zero line in the middle.
std::string plot_line(Real e, Real largest, int width) {
    std::string line(width, ' ');
    const int centre = width / 2;
    line[centre] = '|';
    int pos = centre;
    if (largest > 0) {
        const Real shift = qm::round(e / largest * (centre - 1));
        pos = centre + static_cast<int>(shift);
    }
    line[std::clamp(pos, 0, width - 1)] = '*';
    return line;
}

std::string id_label(Run& run, const OlsOptions& o, int t) {
    if (name_blank(o.IDVAR)) return fmt_X(8);
    std::string name = o.IDVAR.substr(0, o.IDVAR.find_last_not_of(' ') + 1);
    const int ref = VFIND(run, name);
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info) || t > info.length) return fmt_X(8);
    std::string text = real_to_string(element(run, info, t), 8);
    if (text.size() > 8) text.resize(8);
    return first_8_padded(text);
}

void write_listing(Run& run, const OlsFit& fit, const OlsOptions& o) {
    const std::string residual_label = first_8_padded("RESIDUAL");
    Real largest = 0;
    for (Real e : fit.resid) largest = std::max(largest, qm::abs(e));
    write_line(run, " ");
    if (o.WIDE) {
        write_line(run, " OBSERVATION           OBSERVED         PREDICTED   " + fmt_X(3) +
                            "CALCULATED");
        write_line(run, fmt_X(6) + "NO." + fmt_X(17) + "VALUE" + fmt_X(12) + "VALUE" + fmt_X(10) +
                            residual_label);
    } else {
        write_line(run, "    OBS.   OBSERVED     PREDICTED   CALCULATED");
        write_line(run, fmt_X(6) + "NO." + fmt_X(4) + "VALUE" + fmt_X(8) + "VALUE" + fmt_X(7) +
                            residual_label);
    }
    for (int i = 0; i < fit.n; ++i) {
        if (o.WIDE)
            write_line(run, " " + fmt_I(fit.obs[i], 7) + " " + id_label(run, o, fit.obs[i]) +
                                fmt_G(fit.y[i], 17, 5) + fmt_G(fit.fitted[i], 17, 5) +
                                fmt_G(fit.resid[i], 17, 5) + " " +
                                plot_line(fit.resid[i], largest, PLOT_WIDE));
        else
            write_line(run, " " + fmt_I(fit.obs[i], 7) + " " + fmt_G(fit.y[i], 13, 5) +
                                fmt_G(fit.fitted[i], 13, 5) + fmt_G(fit.resid[i], 13, 5) + " " +
                                plot_line(fit.resid[i], largest, PLOT_NARROW));
    }
}

} // namespace

void OLSRES(Run& run, const OlsFit& fit, const OlsOptions& o, const ResidualStats& r) {
    if (o.RSTAT) write_statistics(run, fit, r, o);
    if (o.GF) write_goodness_of_fit(run, r);
    if (o.LIST) write_listing(run, fit, o);
}

} // namespace tarvex
