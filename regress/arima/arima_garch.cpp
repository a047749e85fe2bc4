// The volatility model branch of ARIMA.
#include "regress/arima/arima_garch.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/arima/arima_errors.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/garch/garch_errors.hpp"
#include "regress/garch/garch_estimate.hpp"
#include "regress/garch/garch_report.hpp"

#include <algorithm>

namespace tarvex {

namespace {

EstimationFailure garch_failure(const GarchEstimate& e) {
    switch (e.end) {
    case GarchEnd::UNDEFINED_AT_START:
        return {" ...ERROR..THE CONDITIONAL VARIANCE IS NOT POSITIVE AT THE STARTING VALUES "
                "(OBSERVATION" +
                    fmt_I(std::max(e.failed_row, 0) + 1, 7) + " OF THE SAMPLE)",
                ERR_GARCH_NO_VARIANCE};
    case GarchEnd::PERSISTENT:
        return {" ...ERROR..THE VARIANCE IS NOT STATIONARY AT THE ESTIMATES: ALPHA + BETA =" +
                    fmt_G(e.persistence, 14, 7) + " (AT LEAST 1)",
                ERR_GARCH_PERSISTENT};
    case GarchEnd::UNDEFINED_AT_END:
        return {" ...ERROR..THE CONDITIONAL VARIANCE IS NOT POSITIVE AT THE ESTIMATES THE "
                "MAXIMISATION REACHED: THE MODEL DOES NOT FIT THE SERIES",
                ERR_GARCH_NO_VARIANCE_AT_END};
    case GarchEnd::OMEGA_AT_ZERO:
        return {" ...ERROR..OMEGA RUNS TO ITS LOWER BOUND 0: THE MODEL HAS NO CONSTANT VARIANCE "
                "PART",
                ERR_GARCH_OMEGA_ZERO};
    default:
        return {" ...ERROR..THE LOG-LIKELIHOOD IS NOT CONCAVE AT THE ESTIMATES: "
                "A PARAMETER IS NOT IDENTIFIED",
                ERR_GARCH_SINGULAR};
    }
}

} // namespace

bool garch_options_fit(Run& run, const ArimaOptions& o) {
    if (o.NARCH < 1) {
        if (o.NGARCH > 0) return bad_option_value(run, "NGARCH", ERR_ARIMA_OPTION);
        return true;
    }
    if (o.NARCH > 100) return bad_option_value(run, "NARCH", ERR_ARIMA_OPTION);
    if (o.NGARCH < 0 || o.NGARCH > 100) return bad_option_value(run, "NGARCH", ERR_ARIMA_OPTION);
    if (o.ERRORS != "NORMAL" && o.ERRORS != "T")
        return bad_option_value(run, "ERRORS", ERR_ARIMA_OPTION);
    if (o.COVTYPE != "HESSIAN" && o.COVTYPE != "ROBUST")
        return bad_option_value(run, "COVTYPE", ERR_ARIMA_OPTION);
    if (o.NMA > 0 || o.NDIFF > 0 || o.NSAR > 0 || o.NSDIFF > 0 || o.NSMA > 0 || o.DRIFT) {
        report_error(run,
                     " ...ERROR..A VOLATILITY MODEL (NARCH) TAKES NO MA TERMS, DIFFERENCING OR "
                     "SEASONAL PART",
                     ERR_GARCH_TERMS);
        return false;
    }
    return true;
}

void estimate_arima_garch(Run& run, EstimationEquation& series,
                          const std::vector<OlsTerm>& regressors, const ListRows& rows,
                          const std::vector<std::vector<Real>>& future, const ArimaOptions& o) {
    GarchOrders model;
    model.regressors = int(regressors.size());
    model.ar = o.NAR;
    model.constant = o.CONSTANT;
    model.arch = o.NARCH;
    model.garch = o.NGARCH;
    model.student = o.ERRORS == "T";
    const int n = int(rows.y.size());
    const int needed = model.ar + model.parameter_count() + 2;
    if (n < needed) {
        report_error(run,
                     " ...ERROR..SERIES TOO SHORT:" + fmt_I(n, 7) + " OBSERVATIONS FOR " +
                         garch_model_label(model) + ", WHICH NEEDS" + fmt_I(needed, 6),
                     ERR_GARCH_TOO_SHORT);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    GarchControl control;
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.robust = o.COVTYPE == "ROBUST";
    control.horizon = o.HORIZON;
    control.interrupt = interrupt_checkpoint;
    GarchEstimate e = estimate_garch(rows.y, rows.x, future, model, control);
    if (e.end != GarchEnd::CONVERGED && e.end != GarchEnd::ITERATION_LIMIT &&
        e.end != GarchEnd::STUCK) {
        report_estimation_failure(run, garch_failure(e));
        return;
    }
    EstimationResults& r = e.result.record;
    name_equation(run, "ARIMA", series, garch_parameter_names(model), r);
    r.obs.erase(r.obs.begin(), r.obs.begin() + model.ar); // the rows that start the AR terms
    GarchReportOptions ro;
    ro.PITER = o.PITER, ro.PCOV = o.PCOV, ro.PCOR = o.PCOR, ro.WIDE = o.WIDE;
    ro.robust = control.robust;
    report_garch(run, series, model, e, ro);
    const std::vector<int> obs = r.obs;
    const int end = series.end;
    if (!store_model_result(run, std::move(e.result), o.out)) return;
    if (!store_by_observation(run, o.HT, end, obs, e.variance)) return;
    std::vector<int> ahead;
    for (std::size_t h = 0; h < e.forecast.size(); ++h) ahead.push_back(end + int(h) + 1);
    if (store_by_observation(run, o.FORECAST, end + int(ahead.size()), ahead, e.forecast))
        store_by_observation(run, o.FCSTERR, end + int(ahead.size()), ahead, e.forecast_se);
}

} // namespace tarvex
