// Writing SMOOTH's results.
#include "regress/smooth/smooth_report.hpp"

#include "core/run.hpp"
#include "numeric/distributions.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/forecast_table.hpp"

namespace tarvex {

namespace {

std::string smooth_value(Real v) {
    return fmt_G(v, 20, 12);
}

// Values five to a line after `title`, continued below it.
void write_smooth_values(Run& run, const std::string& title, const std::vector<Real>& values) {
    std::string line = title;
    const std::string indent(title.size(), ' ');
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0 && i % 5 == 0) {
            write_line(run, line);
            line = indent;
        }
        line += smooth_value(values[i]);
    }
    write_line(run, line);
}

void write_parameter(Run& run, const char* name, Real value, bool given) {
    const char* how = given                      ? "GIVEN"
                      : value == 0 || value == 1 ? "ESTIMATED (ON ITS BOUND)"
                                                 : "ESTIMATED";
    std::string label = name;
    label.resize(8, ' ');
    write_line(run, " " + label + smooth_value(value) + "   " + how);
}

} // namespace

std::string smoothing_method_text(SmoothMethod method, int period) {
    switch (method) {
    case SmoothMethod::SIMPLE:
        return "SIMPLE EXPONENTIAL SMOOTHING";
    case SmoothMethod::HOLT:
        return "HOLT'S LINEAR TREND";
    case SmoothMethod::ADDITIVE:
        return "HOLT-WINTERS, ADDITIVE SEASONS OF PERIOD " + std::to_string(period);
    case SmoothMethod::MULTIPLICATIVE:
        break;
    }
    return "HOLT-WINTERS, MULTIPLICATIVE SEASONS OF PERIOD " + std::to_string(period);
}

void report_smoothing(Run& run, const SmoothedSeries& s, const SmoothingFit& fit,
                      const SmoothingForecast& forecast) {
    const std::string name = trim_trailing_blanks(s.name);
    const SmoothingChoice& c = fit.parameters;
    const int errors = int(fit.path.fitted.size());
    write_line(run, "");
    write_line(run, " " + smoothing_method_text(s.method, s.period) + " OF " + name);
    write_line(run, " OBSERVATIONS" + fmt_I(s.beg, 8) + " TO" + fmt_I(s.end, 8) +
                        "    ONE-STEP PREDICTIONS FROM OBSERVATION" +
                        fmt_I(s.beg + fit.start.first, 8) + " (" + std::to_string(errors) +
                        " ERRORS)");
    const bool all_given = c.alpha_given && (!has_trend(s.method) || c.beta_given) &&
                           (!has_season(s.method) || c.gamma_given);
    if (!all_given)
        write_line(run, " PARAMETERS CHOSEN BY LEAST SQUARES OF THE ONE-STEP ERRORS IN" +
                            fmt_I(fit.iterations, 4) + " ITERATIONS");
    write_line(run, "");
    write_line(run, " PARAMETER            VALUE");
    write_parameter(run, "ALPHA", c.value.alpha, c.alpha_given);
    if (has_trend(s.method)) write_parameter(run, "BETA", c.value.beta, c.beta_given);
    if (has_season(s.method)) write_parameter(run, "GAMMA", c.value.gamma, c.gamma_given);
    write_line(run, "");
    write_line(run, " SUM OF SQUARED ONE-STEP ERRORS =" + smooth_value(fit.path.sse));
    write_line(run, " ROOT MEAN SQUARE ERROR         =" +
                        smooth_value(qm::sqrt(fit.path.sse / Real(errors))));
    write_line(run, "");
    std::string start = " START VALUES:   LEVEL =" + smooth_value(fit.start.level);
    if (has_trend(s.method)) start += "   TREND =" + smooth_value(fit.start.trend);
    write_line(run, start);
    if (has_season(s.method)) write_smooth_values(run, " START SEASONS: ", fit.start.season);
    std::string final_line = " FINAL VALUES:   LEVEL =" + smooth_value(fit.path.final_level);
    if (has_trend(s.method)) final_line += "   TREND =" + smooth_value(fit.path.final_trend);
    write_line(run, final_line);
    if (has_season(s.method)) write_smooth_values(run, " NEXT SEASONS:  ", fit.path.final_season);
    if (forecast.value.empty()) return;
    write_line(run, "");
    write_line(run, " FORECASTS OF " + name + " AFTER OBSERVATION" + fmt_I(s.end, 7));
    std::vector<ForecastColumn> columns{{"FORECAST", &forecast.value}};
    std::vector<Real> lower, upper;
    if (!forecast.se.empty()) {
        const Real z = dist::normal_quantile(Real(0.975Q));
        for (std::size_t h = 0; h < forecast.value.size(); ++h) {
            lower.push_back(forecast.value[h] - z * forecast.se[h]);
            upper.push_back(forecast.value[h] + z * forecast.se[h]);
        }
        columns.push_back({"STD. ERROR", &forecast.se});
        columns.push_back({"LOWER 95%", &lower});
        columns.push_back({"UPPER 95%", &upper});
    }
    write_forecast_table(run, s.end + 1, columns);
}

void report_hp_filter(Run& run, const SmoothedSeries& s, Real lambda, const HpSummary& summary,
                      const std::vector<Real>& trend) {
    const std::string name = trim_trailing_blanks(s.name);
    const Real cycle_squares = summary.cycle_squares, penalty = summary.penalty;
    const std::size_t n = trend.size();
    const Real cycle_mean = summary.cycle_sum / Real(int(n));
    write_line(run, "");
    write_line(run, " HODRICK-PRESCOTT FILTER OF " + name + ", LAMBDA =" + smooth_value(lambda));
    write_line(run, " OBSERVATIONS" + fmt_I(s.beg, 8) + " TO" + fmt_I(s.end, 8));
    write_line(run, "");
    write_line(run, " SUM OF SQUARED CYCLE            =" + smooth_value(cycle_squares));
    write_line(run, " SUM OF SQUARED TREND CURVATURE  =" + smooth_value(penalty));
    write_line(run, " STD. DEVIATION OF THE CYCLE     =" +
                        smooth_value(n > 1 ? qm::sqrt((cycle_squares -
                                                       Real(int(n)) * cycle_mean * cycle_mean) /
                                                      Real(int(n) - 1))
                                           : Real(0)));
    write_line(run, " TREND AT THE FIRST OBSERVATION  =" + smooth_value(trend.front()));
    write_line(run, " TREND AT THE LAST OBSERVATION   =" + smooth_value(trend.back()));
}

} // namespace tarvex
