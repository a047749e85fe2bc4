// ARIMA series [regressors] / NAR= NDIFF= NMA= (NSAR= NSDIFF= NSMA= NSPAN=) ...: reads and
// checks the options, the series and the regressors of a regression with ARIMA errors,
// differences the series, and either prints the identification report (no AR or MA order given,
// or IDENT) or hands the series to the estimator and then the report.
#include "regress/arima/arima_command.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/arima/arima_errors.hpp"
#include "regress/arima/arima_estimate.hpp"
#include "regress/arima/arima_garch.hpp"
#include "regress/arima/arima_options.hpp"
#include "regress/arima/arima_report.hpp"
#include "regress/coint/coint_command.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int SLOT_COINTEGR = 92; // the command slot that shares this handler

bool check_options(Run& run, const ArimaOptions& o) {
    const std::pair<const char*, int> orders[] = {
        {"NAR", o.NAR},       {"NDIFF", o.NDIFF}, {"NMA", o.NMA},     {"NSAR", o.NSAR},
        {"NSDIFF", o.NSDIFF}, {"NSMA", o.NSMA},   {"NSPAN", o.NSPAN}, {"HORIZON", o.HORIZON}};
    for (const auto& [keyword, value] : orders)
        if (value < 0 || value > 10000) return bad_option_value(run, keyword, ERR_ARIMA_OPTION);
    if ((o.NSAR > 0 || o.NSDIFF > 0 || o.NSMA > 0) && o.NSPAN < 2)
        return bad_option_value(run, "NSPAN", ERR_ARIMA_OPTION);
    // Not given, the lags are 10 log10 n; typed, at least 1.
    if (o.NLAG_given && o.NLAG < 1) return bad_option_value(run, "NLAG", ERR_ARIMA_OPTION);
    return check_iteration_options(run, o, {"ML", "CSS"}, ERR_ARIMA_OPTION) &&
           check_name_options(run, arima_option_table(), ERR_ARIMA_OPTION) &&
           garch_options_fit(run, o);
}

ArimaOrder order_of(const ArimaOptions& o) {
    ArimaOrder order;
    order.p = o.NAR, order.d = o.NDIFF, order.q = o.NMA;
    order.sp = o.NSAR, order.sd = o.NSDIFF, order.sq = o.NSMA;
    order.span = o.NSAR > 0 || o.NSDIFF > 0 || o.NSMA > 0 ? o.NSPAN : 0;
    order.mean = order.differencing_lags() == 0 ? o.CONSTANT : o.DRIFT;
    return order;
}

void report_gap(Run& run, const std::string& name, int obs) {
    report_error(run,
                 " ...ERROR..ARIMA NEEDS AN UNBROKEN SERIES: " + trim_trailing_blanks(name) +
                     " HAS NO VALUE AT OBSERVATION" + fmt_I(obs, 7),
                 ERR_ARIMA_GAP);
}

// The rows must run without a gap: every observation of the range, none missing, in the series
// and in every regressor.
bool unbroken(Run& run, const ListRows& rows, const std::string& name,
              const std::vector<OlsTerm>& terms) {
    int expect = rows.beg;
    for (std::size_t i = 0; i <= rows.obs.size() && expect <= rows.end; ++i, ++expect) {
        if (i == rows.obs.size() || rows.obs[i] != expect || rows.y[i] == run.ws.XMISS) {
            report_gap(run, name, expect);
            return false;
        }
        for (std::size_t j = 0; j < terms.size(); ++j)
            if (rows.x[j][i] == run.ws.XMISS) {
                report_gap(run, terms[j].name, expect);
                return false;
            }
    }
    return true;
}

// The regressors at the forecast observations END+1 .. END+HORIZON, which the forecasts need.
bool future_regressors(Run& run, const std::vector<OlsTerm>& terms, int end, int horizon,
                       ArimaRegressors& xreg) {
    for (const OlsTerm& t : terms) {
        const SeriesReader reader(run, t.ref);
        std::vector<Real> values;
        for (int h = 1; h <= horizon; ++h) {
            const Real v = reader.at(run, (long long)end + h - t.lag, run.ws.XMISS);
            if (v == run.ws.XMISS) {
                report_error(run,
                             " ...ERROR..THE FORECASTS NEED THE REGRESSORS AFTER THE LAST "
                             "OBSERVATION: " +
                                 trim_trailing_blanks(t.name) + " HAS NO VALUE AT OBSERVATION" +
                                 fmt_I(end + h, 7),
                             ERR_ARIMA_NO_FUTURE);
                return false;
            }
            values.push_back(v);
        }
        xreg.future.push_back(std::move(values));
    }
    return true;
}

EstimationFailure arima_failure(ArimaEnd end) {
    if (end == ArimaEnd::NONSTATIONARY)
        return {" ...ERROR..THE AR ESTIMATES ARE NOT STATIONARY (A ROOT OF THE AR "
                "POLYNOMIAL ON OR INSIDE THE UNIT CIRCLE)",
                ERR_ARIMA_NONSTATIONARY};
    return {" ...ERROR..THE LOG-LIKELIHOOD IS NOT CONCAVE AT THE ESTIMATES: "
            "A PARAMETER IS NOT IDENTIFIED",
            ERR_ARIMA_SINGULAR};
}

// The forecasts after the last observation, and their standard errors, as FORECAST= and
// FCSTERR= ask.
void store_forecasts(Run& run, const EstimationEquation& s, const ArimaEstimate& e,
                     const ArimaOptions& o) {
    std::vector<int> ahead;
    for (std::size_t h = 0; h < e.forecast.value.size(); ++h) ahead.push_back(s.end + int(h) + 1);
    const int last = s.end + int(ahead.size());
    if (store_by_observation(run, o.FORECAST, last, ahead, e.forecast.value))
        store_by_observation(run, o.FCSTERR, last, ahead, e.forecast.se);
}

} // namespace

void cmd_arima(Run& run) {
    if (run.cmd.IKOD == SLOT_COINTEGR) {
        cmd_cointegr(run);
        return;
    }
    if (run.sw[OTRACE]) write_line(run, " ARIMA");
    set_arima_defaults(run);
    if (!OPTION(run, arima_option_table())) return;
    const ArimaOptions o = read_arima_options(run);
    if (!check_options(run, o)) return;
    if (run.scan.NF < 1) {
        report_error(run, " ...ERROR..ARIMA NEEDS ONE SERIES", ERR_ARIMA_NO_SERIES);
        return;
    }
    EstimationEquation series;
    const OlsTerm dep = read_dependent(run, series);
    std::vector<OlsTerm> regressors;
    if (!append_list_terms(run, dep, 2, run.scan.NF, ERR_ARIMA_BOTH_SIDES, regressors)) return;
    ListRows rows;
    if (!gather_equation_rows(run, series, regressors, o.BEG, o.END, rows)) return;
    if (!unbroken(run, rows, series.dep_name, regressors)) return;
    if (o.NARCH > 0) {
        ArimaRegressors future;
        if (!future_regressors(run, regressors, series.end, o.HORIZON, future)) return;
        series.terms = regressors; // their coefficients come first
        estimate_arima_garch(run, series, regressors, rows, future.future, o);
        return;
    }
    ArimaOrder order = order_of(o);
    order.regressors = int(regressors.size());
    const int n = int(rows.y.size());
    const int m = n - order.differencing_lags();
    // With regressors the regression is estimated even with white-noise errors.
    const bool estimate = order.arma_count() > 0 || order.regressors > 0;
    // Identification needs two differenced observations; estimation one more innovation than
    // parameters after the observations the AR polynomial conditions on.
    const int k = order.parameter_count();
    const int needed = estimate ? order.full_p() + k + 2 : 3;
    if (m < needed) {
        report_error(run,
                     " ...ERROR..SERIES TOO SHORT:" + fmt_I(n, 7) + " OBSERVATIONS (" +
                         std::to_string(m > 0 ? m : 0) + " AFTER DIFFERENCING) FOR " +
                         arima_model_label(order) + ", WHICH NEEDS" + fmt_I(needed, 6),
                     ERR_ARIMA_TOO_SHORT);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const int lags = std::min(o.NLAG > 0 ? o.NLAG : default_lags(m), m - 1);
    const std::vector<Real> w = difference_series(rows.y, order);
    if (!estimate || o.IDENT) report_identification(run, series, order, w, lags);
    if (!estimate) return;
    if (std::all_of(w.begin(), w.end(), [&](Real v) { return v == w.front(); })) {
        report_error(run,
                     " ...ERROR.." + trim_trailing_blanks(series.dep_name) +
                         " IS CONSTANT AFTER DIFFERENCING: NOTHING TO ESTIMATE",
                     ERR_ARIMA_CONSTANT);
        return;
    }

    ArimaControl control;
    control.method = o.METHOD == "CSS" ? ArimaMethod::CSS : ArimaMethod::ML;
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.lags = lags;
    control.horizon = o.HORIZON;
    control.interrupt = interrupt_checkpoint;
    ArimaRegressors xreg;
    xreg.columns = rows.x;
    if (!future_regressors(run, regressors, series.end, o.HORIZON, xreg)) return;
    ArimaEstimate e = estimate_arima(rows.y, order, control, xreg);
    if (e.end == ArimaEnd::NONSTATIONARY || e.end == ArimaEnd::SINGULAR) {
        report_estimation_failure(run, arima_failure(e.end));
        return;
    }
    EstimationResults& r = e.result.record;
    series.terms.clear(); // the regressors' coefficients come after the ARMA terms and the mean
    name_equation(run, "ARIMA", series, arima_parameter_names(order), r);
    record_terms(run, regressors, r);
    if (e.state) e.state->last = series.end;
    r.obs.erase(r.obs.begin(), r.obs.begin() + order.differencing_lags()); // the differenced rows
    report_arima(run, series, order, e, o);
    if (store_model_result(run, std::move(e.result), o.out)) store_forecasts(run, series, e, o);
}

} // namespace tarvex
