// The FCAST report lines in their fixed layouts.
#include "regress/fcast/fcast_report.hpp"

#include "core/run.hpp"
#include "kernels/fcast_accuracy.hpp"
#include "numeric/decimal.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fcast/fcast_error_sums.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_gnuplot.hpp"
#include "regress/ols/ols_report.hpp"
#include "regress/ols/ols_residual_stats.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int COEFS_PER_LINE = 4;
constexpr int PLOT_WIDE = 60;
constexpr int PLOT_NARROW = 30;

// The error's place on a plot line of `width` columns, the zero line in the middle; no mark
// when the error is not known.
std::string plot_line(bool known, Real e, Real largest, int width) {
    std::string line(width, ' ');
    const int centre = width / 2;
    line[centre] = '|';
    if (!known) return line;
    int pos = centre;
    const Real shift = largest > 0 ? qm::round(e / largest * (centre - 1)) : Real(0);
    if (finiteq(shift)) pos = centre + static_cast<int>(shift); // an infinite value stays at 0
    line[std::clamp(pos, 0, width - 1)] = '*';
    return line;
}

std::string id_label(Run& run, const FcastOptions& o, int t) {
    if (name_blank(o.IDVAR)) return fmt_X(8);
    const int ref = VFIND(run, o.IDVAR.substr(0, o.IDVAR.find_last_not_of(' ') + 1));
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info) || t > info.length) return fmt_X(8);
    std::string text = real_to_string(element(run, info, t), 8);
    if (text.size() > 8) text.resize(8);
    return first_8_padded(text);
}

bool error_known(const FcastRow& r) {
    return r.known && r.defined;
}

} // namespace

void write_fcast_model(Run& run, const FcastModel& model, const FcastOptions& o, int nobs) {
    write_line(run, " DEPENDENT VARIABLE = " + first_8_padded(model.dep_name) + fmt_I(nobs, 10) +
                        " OBSERVATIONS");
    write_line(run, " REGRESSION COEFFICIENTS");
    std::string line;
    for (std::size_t j = 0; j < model.coef.size(); ++j) {
        line += fmt_G(model.coef[j], 20, 12);
        if ((j + 1) % COEFS_PER_LINE == 0) {
            write_line(run, line);
            line.clear();
        }
    }
    if (!line.empty()) write_line(run, line);
    if (!model.rho.empty()) {
        write_line(run, " AUTOCORRELATION RHO");
        std::string values;
        for (std::size_t i = 0; i < model.rho.size(); ++i) values += fmt_G(model.rho[i], 20, 13);
        write_line(run, values);
    }
    if (model.box_cox) {
        write_line(run, " BOX-COX LAMBDAS");
        write_line(run, fmt_G(model.lambda_y, 20, 13) +
                            (model.box_regressors ? fmt_G(model.lambda_x, 20, 13) : ""));
    }
    if (o.RHO != RHO_NOT_GIVEN) write_line(run, " USER SPECIFIED RHO=" + fmt_F(o.RHO, 8, 5));
    if (o.SRHO != RHO_NOT_GIVEN) write_line(run, " USER SPECIFIED SRHO=" + fmt_F(o.SRHO, 8, 5));
    if (model.pooled) {
        write_line(run, " PREDICTION FOR CROSS-SECTION NUMBER" + fmt_I(model.cs_number, 5));
        write_line(run, " TOTAL NUMBER OF CROSS-SECTIONS" + fmt_I(o.NCROSS, 10));
        write_line(run, " POOL STANDARD ERROR=" + fmt_G(model.pool_se, 13, 5));
        write_line(run, "  POOL VARIANCE=" + fmt_G(model.pool_se * model.pool_se, 13, 5));
        if (model.fixed_effect) write_line(run, " FIXED EFFECT=" + fmt_G(model.effect, 13, 5));
    }
}

void write_fcast_listing(Run& run, const Forecast& f, const FcastOptions& o) {
    const std::string residual_label = first_8_padded("RESIDUAL");
    Real largest = 0;
    for (const FcastRow& r : f.rows)
        if (error_known(r)) largest = std::max(largest, qm::abs(r.error));
    const bool wide = o.WIDE && !f.has_se;
    const int field = wide ? 17 : 13;
    auto value = [&](bool shown, Real v) { return shown ? fmt_G(v, field, 5) : fmt_X(field); };
    write_line(run, " ");
    if (wide) {
        write_line(run, " OBSERVATION           OBSERVED         PREDICTED   " + fmt_X(3) +
                            "CALCULATED");
        write_line(run, fmt_X(6) + "NO." + fmt_X(17) + "VALUE" + fmt_X(12) + "VALUE" + fmt_X(10) +
                            residual_label);
    } else {
        write_line(run, std::string("    OBS.   OBSERVED     PREDICTED   CALCULATED") +
                            (f.has_se ? "  STD. ERROR" : ""));
        write_line(run, fmt_X(6) + "NO." + fmt_X(4) + "VALUE" + fmt_X(8) + "VALUE" + fmt_X(7) +
                            residual_label);
    }
    for (const FcastRow& r : f.rows) {
        const Real e = r.error;
        std::string line = " " + fmt_I(r.obs, 7) + " ";
        if (wide) line += id_label(run, o, r.obs);
        line +=
            value(r.known, r.observed) + value(r.defined, r.predicted) + value(error_known(r), e);
        if (f.has_se) line += value(r.defined, r.se);
        line += " " + plot_line(error_known(r), e, largest, wide ? PLOT_WIDE : PLOT_NARROW);
        write_line(run, line);
    }
}

void write_fcast_accuracy(Run& run, const FcastAccuracy& a) {
    write_line(run, " ");
    write_line(run, " MEAN ERROR =" + fmt_G(a.mean_error, 13, 5));
    write_line(run, " SUM-SQUARED ERRORS =" + fmt_G(a.sse, 13, 5));
    write_line(run, " MEAN SQUARE ERROR =" + fmt_G(a.mse, 13, 5));
    write_line(run, " MEAN ABSOLUTE ERROR=" + fmt_G(a.mae, 13, 5));
    write_line(run, " ROOT MEAN SQUARE ERROR =" + fmt_G(a.rmse, 13, 5));
    write_line(run, " MEAN SQUARED PERCENTAGE ERROR=" + fmt_G(a.mspe, 13, 5));
    write_line(run, " THEIL INEQUALITY COEFFICIENT U =" + fmt_F(a.theil_u, 6, 3));
    write_line(run, "   DECOMPOSITION");
    write_line(run, "      PROPORTION DUE TO BIAS =" + fmt_G(a.bias, 13, 5));
    write_line(run, "      PROPORTION DUE TO VARIANCE =" + fmt_G(a.variance, 13, 5));
    write_line(run, "      PROPORTION DUE TO COVARIANCE =" + fmt_G(a.covariance, 13, 5));
    write_line(run, "   DECOMPOSITION");
    write_line(run, "      PROPORTION DUE TO BIAS =" + fmt_G(a.bias_second, 13, 5));
    write_line(run, "      PROPORTION DUE TO REGRESSION =" + fmt_G(a.regression, 13, 5));
    write_line(run, "      PROPORTION DUE TO DISTURBANCE =" + fmt_G(a.disturbance, 13, 5));
}

void fcast_residual_output(Run& run, const FcastModel& model, const Forecast& f,
                           const FcastErrorSums* sums, const FcastOptions& o, bool print) {
    // The forecast errors as a fit of n observations with no parameters of its own, so that
    // the residual variance is SSE/n.
    OlsFit fit;
    fit.label = " FCAST";
    fit.dep_ref = model.dep_ref;
    fit.dep_name = first_8_padded(model.dep_name);
    fit.terms = model.terms;
    fit.k = model.k();
    const bool printed = print && (o.RSTAT || o.GF);
    // The errors themselves are copied out for the tests and plots that read them one by one,
    // and when a sum holds a NaN or an infinity (whose IEEE sum depends on the order of terms).
    const bool copy =
        sums == nullptr || sums->has_special() || o.GNU || (printed && (o.LM || o.GF));
    if (copy) {
        for (auto* v : {&fit.y, &fit.fitted, &fit.resid}) v->reserve(f.rows.size());
        fit.obs.reserve(f.rows.size());
        for (const FcastRow& r : f.rows) {
            if (!error_known(r)) continue;
            fit.obs.push_back(r.obs);
            fit.y.push_back(r.observed);
            fit.fitted.push_back(r.predicted);
            fit.resid.push_back(r.error);
        }
        fit.n = int(fit.obs.size());
        if (fit.n == 0) return;
        fit.sse = exact_sum_of_squares(fit.resid.data(), fit.resid.size());
    } else {
        fit.n = int(sums->accuracy.rows());
        if (fit.n == 0) return;
        fit.sse = sums->accuracy.sum(FcastAccuracySums::SSE).result();
    }
    // The regressors are needed by the heteroskedasticity test alone.
    if (copy && o.LM) {
        fit.x.assign(std::size_t(fit.n) * fit.k, 0);
        std::size_t i = 0;
        for (std::size_t row = 0; row < f.rows.size(); ++row) {
            if (!error_known(f.rows[row])) continue;
            const Real* x = f.x_of(row);
            for (int j = 0; j < fit.k; ++j) fit.x[std::size_t(j) * fit.n + i] = x[j];
            ++i;
        }
    }
    fit.nobs = fit.n;
    fit.df = fit.n;
    fit.sigma = qm::sqrt(fit.sse / fit.n);
    OlsOptions ro;
    ro.RSTAT = o.RSTAT;
    ro.LM = o.LM;
    ro.GF = o.GF;
    ro.LIST = false;
    ro.WIDE = o.WIDE;
    ro.IDVAR = o.IDVAR;
    ro.OUTPUT = o.OUTPUT;
    ro.DEVICE = o.DEVICE;
    ro.PORT = o.PORT;
    ro.COMMFILE = o.COMMFILE;
    ro.commfile_full = o.commfile_full;
    ro.APPEND = o.APPEND;
    if (!printed && !ro.RSTAT) {
        if (o.GNU) write_residual_plot(run, fit, ro);
        return;
    }
    // Computed once, for the report and for the result scalars.
    ResidualStats r = copy ? residual_stats(fit, printed && ro.LM) : forecast_error_stats(f, *sums);
    if (printed && ro.GF) add_goodness_of_fit(fit, r);
    if (printed) OLSRES(run, fit, ro, r);
    if (ro.RSTAT) {
        run.res[R_DW] = r.dw;
        run.res[R_RHO] = r.rho;
        run.res[R_R2OP] = r.r2op;
        run.res[R_JB] = r.jb;
    }
    if (o.GNU) write_residual_plot(run, fit, ro);
}

} // namespace tarvex
