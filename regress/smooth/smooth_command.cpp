// SMOOTH: reads and checks the options and the one series, then smooths it by the method asked
// for, writes the report and stores the results.
#include "regress/smooth/smooth_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/smooth/holt_winters.hpp"
#include "regress/smooth/hp_filter.hpp"
#include "regress/smooth/smooth_errors.hpp"
#include "regress/smooth/smooth_options.hpp"
#include "regress/smooth/smooth_report.hpp"

#include <utility>

namespace tarvex {

namespace {

bool method_word(const std::string& word, SmoothMethod& method, bool& hp) {
    const std::pair<const char*, SmoothMethod> words[] = {
        {"SIMPLE", SmoothMethod::SIMPLE},
        {"HOLT", SmoothMethod::HOLT},
        {"ADDITIVE", SmoothMethod::ADDITIVE},
        {"MULTIPLI", SmoothMethod::MULTIPLICATIVE}};
    hp = word == "HP";
    for (const auto& [text, m] : words)
        if (word == text) method = m;
    return hp || word == "SIMPLE" || word == "HOLT" || word == "ADDITIVE" || word == "MULTIPLI";
}

bool typed(const std::string& name) {
    return !trim_trailing_blanks(name).empty();
}

bool refuse_option(Run& run, const char* keyword, const std::string& method) {
    report_error(
        run, " ...ERROR..OPTION " + std::string(keyword) + "= DOES NOT APPLY TO METHOD=" + method,
        ERR_SMOOTH_NOT_APPLICABLE);
    return false;
}

bool check_weight(Run& run, const char* keyword, bool given, Real value) {
    if (!given || (value >= 0 && value <= 1)) return true;
    report_error(run,
                 " ...ERROR.." + std::string(keyword) + "=" + trim_blanks(fmt_G(value, 14, 6)) +
                     " IS OUTSIDE [0,1]: A SMOOTHING PARAMETER IS A WEIGHT BETWEEN 0 AND 1",
                 ERR_SMOOTH_PARAMETER);
    return false;
}

bool check_options(Run& run, const SmoothOptions& o, SmoothMethod method, bool hp) {
    if (o.HORIZON < 0 || o.HORIZON > 100000)
        return bad_option_value(run, "HORIZON", ERR_SMOOTH_OPTION);
    if (o.MAXIT < 1) return bad_option_value(run, "MAXIT", ERR_SMOOTH_OPTION);
    if (hp) {
        const std::pair<const char*, bool> smoothing_only[] = {
            {"ALPHA", o.ALPHA_given},        {"BETA", o.BETA_given},
            {"GAMMA", o.GAMMA_given},        {"SEASON", o.SEASON != 0},
            {"HORIZON", o.HORIZON != 0},     {"LEVEL", typed(o.LEVEL)},
            {"SLOPE", typed(o.SLOPE)},       {"SEASONAL", typed(o.SEASONAL)},
            {"FORECAST", typed(o.FORECAST)}, {"FCSTERR", typed(o.FCSTERR)}};
        for (const auto& [keyword, typed] : smoothing_only)
            if (typed) return refuse_option(run, keyword, "HP");
        if (!(o.LAMBDA > 0)) {
            report_error(run,
                         " ...ERROR..LAMBDA=" + trim_blanks(fmt_G(o.LAMBDA, 14, 6)) +
                             ": THE WEIGHT OF THE TREND'S CURVATURE MUST BE POSITIVE",
                         ERR_SMOOTH_LAMBDA);
            return false;
        }
    } else {
        const std::string word = trim_trailing_blanks(o.METHOD);
        const std::pair<const char*, bool> hp_only[] = {
            {"LAMBDA", o.LAMBDA_given}, {"TREND", typed(o.TREND)}, {"CYCLE", typed(o.CYCLE)}};
        for (const auto& [keyword, typed] : hp_only)
            if (typed) return refuse_option(run, keyword, word);
        if (!has_trend(method) && (o.BETA_given || (typed(o.SLOPE))))
            return refuse_option(run, o.BETA_given ? "BETA" : "SLOPE", word);
        if (!has_season(method) && (o.GAMMA_given || o.SEASON != 0 || (typed(o.SEASONAL))))
            return refuse_option(run,
                                 o.GAMMA_given   ? "GAMMA"
                                 : o.SEASON != 0 ? "SEASON"
                                                 : "SEASONAL",
                                 word);
        if (has_season(method) && o.SEASON < 2) {
            report_error(run,
                         " ...ERROR..METHOD=" + word +
                             " NEEDS THE SEASONAL PERIOD: SEASON=s, 2 OR MORE",
                         ERR_SMOOTH_NO_PERIOD);
            return false;
        }
        if (!check_weight(run, "ALPHA", o.ALPHA_given, o.ALPHA) ||
            !check_weight(run, "BETA", o.BETA_given, o.BETA) ||
            !check_weight(run, "GAMMA", o.GAMMA_given, o.GAMMA))
            return false;
    }
    return check_name_options(run, smooth_option_table(), ERR_SMOOTH_OPTION);
}

// The series must run without a gap or a missing value over its range.
bool smooth_series_unbroken(Run& run, const ListRows& rows, const std::string& name) {
    int expect = rows.beg;
    for (std::size_t i = 0; i <= rows.obs.size() && expect <= rows.end; ++i, ++expect)
        if (i == rows.obs.size() || rows.obs[i] != expect ||
            equal_values(rows.y[i], run.ws.XMISS)) {
            report_error(
                run,
                " ...ERROR..SMOOTH NEEDS AN UNBROKEN SERIES: " + trim_trailing_blanks(name) +
                    " HAS NO VALUE AT OBSERVATION" + fmt_I(expect, 7),
                ERR_SMOOTH_GAP);
            return false;
        }
    return true;
}

bool enough_observations(Run& run, int n, int needed, const std::string& what) {
    if (n >= needed) return true;
    report_error(run,
                 " ...ERROR.." + std::to_string(n) + " OBSERVATIONS ARE TOO FEW FOR " + what +
                     ": IT NEEDS" + fmt_I(needed, 6),
                 ERR_SMOOTH_TOO_FEW);
    return false;
}

// The record every SMOOTH leaves: the command, the series, its range and the parameters.
EstimationResults smooth_record(const EstimationEquation& s) {
    EstimationResults r;
    r.command = "SMOOTH";
    r.not_forecast = "SMOOTH";
    r.dep_ref = s.dep_ref;
    r.dep_name = s.dep_name;
    r.dep_variable = trim_trailing_blanks(s.dep_name);
    r.beg = s.beg;
    r.end = s.end;
    return r;
}

void run_hp_filter(Run& run, const SmoothOptions& o, const EstimationEquation& s,
                   const ListRows& rows) {
    if (!enough_observations(run, int(rows.y.size()), 3, "THE HODRICK-PRESCOTT FILTER")) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const std::vector<Real> trend = hp_trend(rows.y, o.LAMBDA);
    std::vector<Real> cycle;
    const HpSummary summary = hp_cycle(rows.y, trend, cycle);
    const Real sse = summary.cycle_squares;
    SmoothedSeries shown{s.dep_name, s.beg, s.end, SmoothMethod::SIMPLE, 0};
    report_hp_filter(run, shown, o.LAMBDA, summary, trend);
    ModelResult m;
    m.record = smooth_record(s);
    m.record.obs = rows.obs;
    m.record.n = int(rows.obs.size());
    m.record.names = {first_8_padded("LAMBDA")};
    m.record.coef = {o.LAMBDA};
    m.record.sse = sse;
    m.record.predicted = trend;
    m.record.residuals = cycle;
    m.set_scalar(R_N, m.record.n);
    m.set_scalar(R_SSE, sse);
    if (store_model_result(run, std::move(m), o.out) &&
        store_by_observation(run, o.TREND, s.end, rows.obs, trend))
        store_by_observation(run, o.CYCLE, s.end, rows.obs, cycle);
}

void run_smoothing(Run& run, const SmoothOptions& o, const EstimationEquation& s,
                   const ListRows& rows, SmoothMethod method) {
    const int period = has_season(method) ? o.SEASON : 0;
    if (!enough_observations(run, int(rows.y.size()),
                             smoothing_minimum_observations(method, period),
                             smoothing_method_text(method, period)))
        return;
    if (method == SmoothMethod::MULTIPLICATIVE)
        for (std::size_t i = 0; i < rows.y.size(); ++i)
            if (!(rows.y[i] > 0)) {
                report_error(run,
                             " ...ERROR..MULTIPLICATIVE SEASONS NEED POSITIVE VALUES: " +
                                 trim_trailing_blanks(s.dep_name) +
                                 " IS NOT POSITIVE AT "
                                 "OBSERVATION" +
                                 fmt_I(rows.obs[i], 7),
                             ERR_SMOOTH_NOT_POSITIVE);
                return;
            }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    SmoothingChoice choice;
    choice.value = {o.ALPHA, o.BETA, o.GAMMA};
    choice.alpha_given = o.ALPHA_given;
    choice.beta_given = o.BETA_given;
    choice.gamma_given = o.GAMMA_given;
    const SmoothingFit fit = fit_smoothing(rows.y, method, period, choice, o.MAXIT);
    if (!fit.converged) {
        report_error(run,
                     " ...ERROR..THE SEARCH FOR THE SMOOTHING PARAMETERS DID NOT CONVERGE IN" +
                         fmt_I(o.MAXIT, 5) + " ITERATIONS (MAXIT=)",
                     ERR_SMOOTH_NO_CONVERGENCE);
        return;
    }
    const SmoothingForecast forecast = smoothing_forecast(rows.y, method, period, fit, o.HORIZON);
    report_smoothing(run, {s.dep_name, s.beg, s.end, method, period}, fit, forecast);

    const std::size_t first = std::size_t(fit.start.first);
    ModelResult m;
    m.record = smooth_record(s);
    m.record.obs.assign(rows.obs.begin() + std::ptrdiff_t(first), rows.obs.end());
    m.record.n = int(rows.obs.size());
    m.record.names = {first_8_padded("ALPHA")};
    m.record.coef = {fit.parameters.value.alpha};
    if (has_trend(method)) {
        m.record.names.push_back(first_8_padded("BETA"));
        m.record.coef.push_back(fit.parameters.value.beta);
    }
    if (has_season(method)) {
        m.record.names.push_back(first_8_padded("GAMMA"));
        m.record.coef.push_back(fit.parameters.value.gamma);
    }
    m.record.predicted = fit.path.fitted;
    for (std::size_t i = 0; i < fit.path.fitted.size(); ++i)
        m.record.residuals.push_back(rows.y[first + i] - fit.path.fitted[i]);
    m.record.sse = fit.path.sse;
    int estimated = 0;
    for (bool given : {choice.alpha_given, choice.beta_given, choice.gamma_given})
        estimated += given ? 0 : 1;
    if (!has_trend(method)) estimated -= choice.beta_given ? 0 : 1;
    if (!has_season(method)) estimated -= choice.gamma_given ? 0 : 1;
    m.record.k = estimated;
    m.set_scalar(R_N, m.record.n);
    m.set_scalar(R_K, estimated);
    m.set_scalar(R_SSE, fit.path.sse);
    const std::vector<int> used = m.record.obs;
    if (!store_model_result(run, std::move(m), o.out)) return;
    if (!store_by_observation(run, o.LEVEL, s.end, used, fit.path.level)) return;
    if (has_trend(method) && !store_by_observation(run, o.SLOPE, s.end, used, fit.path.trend))
        return;
    if (has_season(method) && !store_by_observation(run, o.SEASONAL, s.end, used, fit.path.season))
        return;
    std::vector<int> ahead;
    for (int h = 1; h <= o.HORIZON; ++h) ahead.push_back(s.end + h);
    if (store_by_observation(run, o.FORECAST, s.end + o.HORIZON, ahead, forecast.value) &&
        !forecast.se.empty())
        store_by_observation(run, o.FCSTERR, s.end + o.HORIZON, ahead, forecast.se);
}

} // namespace

void cmd_smooth(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " SMOOTH");
    set_smooth_defaults(run);
    if (!OPTION(run, smooth_option_table())) return;
    const SmoothOptions o = read_smooth_options(run);
    SmoothMethod method = SmoothMethod::SIMPLE;
    bool hp = false;
    if (!method_word(o.METHOD, method, hp))
        return void(bad_option_value(run, "METHOD", ERR_SMOOTH_OPTION));
    if (!check_options(run, o, method, hp)) return;
    if (run.scan.NF != 1) {
        report_error(run,
                     run.scan.NF < 1 ? " ...ERROR..SMOOTH NEEDS ONE SERIES"
                                     : " ...ERROR..SMOOTH SMOOTHS ONE SERIES AT A TIME",
                     run.scan.NF < 1 ? ERR_SMOOTH_NO_SERIES : ERR_SMOOTH_ONE_SERIES);
        return;
    }
    EstimationEquation series;
    read_dependent(run, series);
    ListRows rows;
    if (!gather_equation_rows(run, series, {}, o.BEG, o.END, rows)) return;
    if (!smooth_series_unbroken(run, rows, series.dep_name)) return;
    if (!squares_representable(run, series.dep_name, {}, rows, ERR_SMOOTH_RANGE)) return;
    if (hp)
        run_hp_filter(run, o, series, rows);
    else
        run_smoothing(run, o, series, rows, method);
}

} // namespace tarvex
