// Building the forecast equation: from the last estimation (its terms, coefficients and
// covariance), from the typed variable list with a COEF= vector, or from the last estimation's
// terms with a COEF= vector; in that order of the checks the error numbers 49003, 49004, 49005
// and 49008 follow.
#include "regress/fcast/fcast_model.hpp"

#include "regress/fit/forecast_parts.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_period.hpp"
#include "regress/fcast/fcast_pool.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int LAG_ORDER_CODE = 10000; // lag codes from here up carry a polynomial order

// GLS and POOL are linear in their coefficients: FCAST forecasts them as linear models (POOL
// with its cross-section and fixed effect, see fcast_pool).
const char* const MODEL_TYPES[] = {"AUTO", "BOX",     "PROBIT", "LOGIT", "TOBIT", "GLS",
                                   "2SLS", "NLINEAR", "DLAG",   "POOL",  "MLE"};

// The variable a term of the last estimation reads now: its reference while that still carries
// the name it had, else the variable of that name (READ, GENR or MATRIX may have made it anew,
// longer, in another slot); 0 when no variable has the name any more.
int current_reference(Run& run, int ref, const std::string& name) {
    if (name.empty()) return reference_exists(run, ref) ? ref : 0;
    if (reference_exists(run, ref) && reference_name(run, ref) == name) return ref;
    const int found = VFIND(run, name);
    return found > 0 ? found : 0;
}

// The equation of the last estimation, with its coefficients and the covariance of a forecast,
// sigma**2 (X'X)**-1 (whatever covariance the report used, robust or corrected). A variable
// that no longer exists is named in `gone`.
void from_estimation(Run& run, FcastModel& m, std::string& gone) {
    const EstimationResults& e = run.last_estimation;
    m.dep_ref = current_reference(run, e.dep_ref, e.dep_variable);
    if (m.dep_ref == 0 && !e.dep_variable.empty() && find_bound_series(run, e.dep_variable))
        m.dep_bound = e.dep_variable;
    m.dep_lag = e.dep_lag;
    m.dep_name = e.dep_name;
    if (!e.equation.empty()) { // a nonlinear equation: parameters, not terms
        m.equation = e.equation;
        m.parameter_names = e.names;
        m.coef = e.coef;
        m.cov = e.cov;
        m.sigma = e.sigma;
        m.estimation_end = e.end;
        return;
    }
    // HETERO and BOX: the linear equation is the first mean_terms coefficients. ARIMA errors:
    // the regressors' coefficients after those of the errors, whose state FCAST forecasts.
    const std::size_t k = e.mean_terms > 0 ? std::size_t(e.mean_terms) : e.refs.size();
    const StateForecastPart* state = model_part<StateForecastPart>(e);
    const std::size_t first = state != nullptr ? std::size_t(state->first_regressor) : 0;
    if (state != nullptr) {
        for (std::size_t j = first; j < k; ++j) {
            OlsTerm t;
            t.lag = e.lags[j];
            t.name = e.names[j];
            t.ref = current_reference(run, e.refs[j], e.variables[j]);
            if (t.ref == 0 && gone.empty()) gone = e.names[j];
            m.terms.push_back(t);
        }
        m.coef.assign(e.coef.begin() + std::ptrdiff_t(first), e.coef.end());
        m.sigma = e.sigma;
        m.estimation_end = e.end;
        return; // the forecast standard errors are the state's
    }
    for (std::size_t j = 0; j < k; ++j) {
        OlsTerm t;
        t.ref = e.refs[j];
        t.lag = e.lags[j];
        t.name = e.names[j];
        if (t.ref == run.ws.MAXVAR + 1) t.kind = TermKind::INTERCEPT;
        if (t.ref == run.ws.MAXVAR + 2) t.kind = TermKind::TREND;
        std::string bound;
        if (t.kind == TermKind::VARIABLE) {
            const std::string variable = j < e.variables.size() ? e.variables[j] : std::string();
            t.ref = current_reference(run, t.ref, variable);
            // A series an estimation over bound series read from its file, still bound.
            if (t.ref == 0 && !variable.empty() && find_bound_series(run, variable) != nullptr)
                bound = variable;
            else if (t.ref == 0 && gone.empty())
                gone = e.names[j];
        }
        m.terms.push_back(t);
        m.term_bound.push_back(bound);
    }
    m.coef.assign(e.coef.begin(), e.coef.begin() + std::ptrdiff_t(k));
    m.sigma = e.sigma;
    if (k < e.coef.size()) { // the leading block of the covariance
        const std::size_t all = e.coef.size();
        for (std::size_t i = 0; i < k && e.cov.size() == all * all; ++i)
            for (std::size_t j = 0; j < k; ++j) m.cov.push_back(e.cov[i * all + j]);
    } else if (e.xtx_inv.size() == e.coef.size() * e.coef.size()) {
        const Real sigma2 = e.sigma * e.sigma;
        m.cov.resize(e.xtx_inv.size());
        for (std::size_t i = 0; i < e.xtx_inv.size(); ++i) m.cov[i] = sigma2 * e.xtx_inv[i];
    } else {
        m.cov = e.cov;
    }
    m.log_dependent = e.log_dependent;
    m.log_regressors = e.log_regressors;
    m.estimation_end = e.end;
    if (const PowerTransformPart* box = model_part<PowerTransformPart>(e)) {
        m.box_regressors = box->regressors;
        m.lambda_y = box->lambda_y;
        m.lambda_x = box->lambda_x;
    }
}

// The equation typed on the command: depvar indeps, the intercept appended with CONSTANT.
void from_list(Run& run, const FcastOptions& o, FcastModel& m) {
    const ScanBlock& scan = run.scan;
    m.dep_ref = plain_reference(scan.list[1]);
    m.dep_lag = scan.list[scan.MAXVAR + 1] % LAG_ORDER_CODE;
    m.dep_name = first_8_padded(lagged_name(reference_name(run, m.dep_ref), m.dep_lag));
    if (scan.is_bound(1)) {
        m.dep_bound = scan.bound_name[1];
        m.dep_name = first_8_padded(upper_ascii(trim_trailing_blanks(m.dep_bound)));
    }
    for (int k = 2; k <= scan.NF; ++k) {
        OlsTerm t;
        t.ref = plain_reference(scan.list[k]);
        t.lag = scan.list[scan.MAXVAR + k] % LAG_ORDER_CODE;
        t.name = first_8_padded(lagged_name(reference_name(run, t.ref), t.lag));
        std::string bound;
        if (scan.is_bound(k)) {
            bound = scan.bound_name[std::size_t(k)];
            t.name = first_8_padded(upper_ascii(trim_trailing_blanks(bound)));
        }
        m.terms.push_back(t);
        m.term_bound.push_back(bound);
    }
    if (o.CONSTANT) {
        OlsTerm c;
        c.kind = TermKind::INTERCEPT;
        c.ref = run.ws.MAXVAR + 1;
        c.name = first_8_padded("CONSTANT");
        m.terms.push_back(c);
        m.term_bound.emplace_back();
    }
}

// The values of the COEF= vector (every element of a matrix, column after column); none when
// the name is unknown.
std::vector<Real> coefficient_values(Run& run, const std::string& name) {
    std::vector<Real> values;
    const int ref = VFIND(run, trim_trailing_blanks(name));
    if (ref == 0) return values;
    VarInfo info;
    if (!VINFO(run, ref, info) || info.type > TYPE_SYMMETRIC) return values;
    for (long long k = 1; k <= info.length; ++k) values.push_back(element(run, info, k));
    return values;
}

} // namespace

bool reference_exists(const Run& run, int ref) {
    const Workspace& ws = run.ws;
    int slot = ref;
    if (ref > 2 * ws.MAXVAR) {
        int col = ref % ws.MXCOL;
        if (col == 0) col = ws.MXCOL;
        slot = (ref - col) / ws.MXCOL;
    }
    if (slot < 1 || slot > 2 * ws.MAXVAR || std::size_t(slot) >= ws.VNAME.size()) return false;
    return ws.VNAME[slot].find_first_not_of(' ') != std::string::npos;
}

bool is_named_model_type(const std::string& type) {
    // Forecast here: see box_model, choice_model, the rho of AUTO and the pooled model. 2SLS is
    // a linear equation whose coefficient covariance is the instrumental-variables one.
    if (type == "AUTO" || type == "BOX" || type == "PROBIT" || type == "LOGIT" || type == "TOBIT" ||
        type == "GLS" || type == "POOL" || type == "2SLS")
        return false;
    for (const char* word : MODEL_TYPES)
        if (type == word) return true;
    return false;
}

bool is_linear_model_type(const std::string& type) {
    for (const char* word : MODEL_TYPES)
        if (type == word) return false;
    return true;
}

bool build_fcast_model(Run& run, const FcastOptions& o, FcastModel& model) {
    const bool has_list = run.scan.NF > 0;
    const bool has_coef = !name_blank(o.COEFFICI);
    const bool estimated = !run.last_estimation.command.empty();
    if (has_list && !has_coef) {
        report_error(run, " ...ERROR..COEF=  WAS NOT SPECIFIED", ERR_FCAST_NO_COEF);
        return false;
    }
    if (!has_coef && !estimated) {
        report_error(run, " ...ERROR..ABOVE COMMAND MUST IMMEDIATELY FOLLOW AN ESTIMATION COMMAND",
                     ERR_FCAST_NO_ESTIMATION);
        return false;
    }
    if (has_coef && !has_list && !estimated) {
        report_error(run, " ...ERROR..NO VARIABLES WERE SPECIFIED", ERR_FCAST_NO_VARIABLES);
        return false;
    }
    if (!has_list && !has_coef && !run.last_estimation.not_forecast.empty()) {
        report_error(run,
                     " ...ERROR..FCAST HAS NO FORECAST OF THE " + run.last_estimation.not_forecast +
                         ": ITS PREDICT= OPTION GIVES THE FITTED OUTCOMES",
                     ERR_FCAST_NOT_FORECAST);
        return false;
    }
    if (has_list) {
        from_list(run, o, model);
        model.type = "OLS";
    } else {
        std::string gone;
        from_estimation(run, model, gone);
        model.type = trim_trailing_blanks(o.MODEL);
        if (!gone.empty()) {
            report_error(run,
                         " ...ERROR..VARIABLE " + first_8_padded(gone) +
                             " OF THE LAST ESTIMATION NO LONGER EXISTS",
                         ERR_FCAST_VARIABLE_GONE);
            return false;
        }
    }
    if (has_coef) {
        std::vector<Real> values = coefficient_values(run, o.COEFFICI);
        if (int(values.size()) < model.k()) {
            report_error(run,
                         " ...ERROR..COEF VECTOR ONLY CONTAINS" +
                             fmt_I(static_cast<long long>(values.size()), 4) + " VALUES",
                         ERR_FCAST_SHORT_COEF);
            return false;
        }
        values.resize(model.k());
        model.coef = std::move(values);
        model.cov.clear(); // the covariance belongs to estimated coefficients only
        model.sigma = 0;
        if (has_list) {
            model.log_dependent = model.log_regressors = false;
            model.estimation_end = 0;
        }
    }
    // MODEL=BOX: a LAMBDA= other than 0 replaces the estimated lambdas; after an estimation
    // other than BOX, LAMBDA transforms the dependent variable alone (0: its logarithm).
    if (model.type == "BOX") {
        model.box_cox = true;
        model.cov.clear(); // forecast standard errors are not carried to the scale of y
        if (model_part<PowerTransformPart>(run.last_estimation) == nullptr || has_list) {
            model.box_regressors = false;
            model.lambda_y = o.LAMBDA;
        } else if (o.LAMBDA != 0) {
            model.lambda_y = model.lambda_x = o.LAMBDA;
        }
    } else {
        model.box_regressors = false;
    }
    // MODEL=PROBIT, LOGIT: probabilities; TOBIT: the expected value with the estimated sigma
    // and censoring, which only a TOBIT estimation leaves.
    if (model.type == "PROBIT" || model.type == "LOGIT") {
        model.choice = model.type == "PROBIT" ? FcastChoice::PROBIT : FcastChoice::LOGIT;
    } else if (model.type == "TOBIT") {
        const EstimationResults& e = run.last_estimation;
        const CensoringPart* censoring = model_part<CensoringPart>(e);
        if (has_list || censoring == nullptr) {
            report_error(run, " ...ERROR..MODEL=TOBIT NEEDS THE SIGMA OF A PRECEDING TOBIT",
                         ERR_FCAST_NO_TOBIT);
            return false;
        }
        model.choice = FcastChoice::TOBIT;
        model.tobit_sigma = e.sigma;
        model.censoring.below = censoring->below;
        model.censoring.above = censoring->above;
        model.censoring.lower = censoring->lower;
        model.censoring.upper = censoring->upper;
        model.cov.clear(); // no forecast standard errors of the censored mean
    }
    // MODEL=AUTO: rho from RHO= and SRHO= where given, else from a preceding AUTO; ORDER=
    // (1 or 2) where given, else the estimation's order.
    if (model.type == "AUTO") {
        const EstimationResults& e = run.last_estimation;
        const AutocorrelationPart* estimated =
            has_list ? nullptr : model_part<AutocorrelationPart>(e);
        std::vector<Real> rho = estimated != nullptr ? estimated->rho : std::vector<Real>{};
        const int order = o.ORDER > 0               ? o.ORDER
                          : !rho.empty()            ? int(rho.size())
                          : o.SRHO != RHO_NOT_GIVEN ? 2
                                                    : 1;
        rho.resize(std::size_t(order), Real(0));
        if (o.RHO != RHO_NOT_GIVEN) rho[0] = o.RHO;
        if (o.SRHO != RHO_NOT_GIVEN && order == 2) rho[1] = o.SRHO;
        if (o.RHO == RHO_NOT_GIVEN && estimated == nullptr) {
            report_error(run, " ...ERROR..MODEL=AUTO NEEDS RHO= OR A PRECEDING AUTO",
                         ERR_FCAST_NO_RHO);
            return false;
        }
        model.rho = rho;
    }
    // After period effects the estimation's own effects make the forecast, unless the equation,
    // its coefficients or the effects are given.
    const bool own_periods = model.type == "POOL" && !has_list && !has_coef &&
                             name_blank(o.CSFIX) && period_fcast_model(run, model);
    if (model.type == "POOL" && !own_periods && o.NCROSS > 0 && !pool_fcast_model(run, o, model))
        return false;
    model.max_lag = model.dep_lag;
    for (const OlsTerm& t : model.terms) model.max_lag = std::max(model.max_lag, t.lag);
    return true;
}

} // namespace tarvex
