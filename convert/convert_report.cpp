// Report lines of a frequency conversion.
#include "convert/convert_report.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <algorithm>

namespace tarvex {

namespace {

std::string count_text(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The date `steps` periods after `date` at `frequency` periods a year.
CalendarDate date_after(const CalendarDate& date, long long steps, int frequency) {
    const long long periods = date.year * frequency + (date.period - 1) + steps;
    long long year = periods / frequency;
    if (periods % frequency < 0) --year;
    return {year, int(periods - year * frequency) + 1};
}

// The first word of a TIME statement for the date: year.period, 1960.1 for a year.
std::string time_word(const CalendarDate& date, int frequency) {
    return frequency <= 1 ? std::to_string(date.year) + ".1" : calendar_text(date, frequency);
}

// A number in `width` columns, right-aligned, in G form with `digits` significant digits.
std::string number_column(Real value, int width, int digits) {
    const std::string text = trim_blanks(fmt_G(value, width, digits));
    return std::string(std::size_t(std::max<int>(0, width - int(text.size()))), ' ') + text;
}

void report_dates(Run& run, const ConvertPlan& p, long long made) {
    const SampleBlock& s = run.smpl;
    const CalendarDate old_last = calendar_date(s, p.end);
    CalendarDate first{p.first_date.year, 1};
    if (p.down)
        first.period = (p.first_date.period - 1) / p.ratio + 1;
    else
        first.period = (p.first_date.period - 1) * p.ratio + 1;
    const CalendarDate last = date_after(first, made - 1, p.to);
    write_line(run, " DATES: " + p.old_name + " " + calendar_text(p.first_date, p.from) + " TO " +
                        calendar_text(old_last, p.from) + ", " + p.new_name + " " +
                        calendar_text(first, p.to) + " TO " + calendar_text(last, p.to) +
                        " (TIME " + time_word(first, p.to) + " " + std::to_string(p.to) +
                        " GIVES " + p.new_name + " ITS DATES)");
}

void report_missing(Run& run, const ConvertPlan& p, const ConvertOutcome& out) {
    const int periods = out.missing_periods + out.incomplete_periods;
    if (periods > 0) {
        std::string line = " ...NOTE.." + p.new_name + " IS MISSING IN " +
                           count_text(periods, "PERIOD", "PERIODS") + ":";
        if (out.missing_periods > 0)
            line += " " + std::to_string(out.missing_periods) + " HOLD" +
                    (out.missing_periods == 1 ? "S" : "") + " A MISSING VALUE OF " + p.old_name +
                    (out.incomplete_periods > 0 ? "," : "");
        if (out.incomplete_periods > 0)
            line += " " + std::to_string(out.incomplete_periods) + " " +
                    (out.incomplete_periods == 1 ? "IS" : "ARE") + " NOT COVERED WHOLE BY " +
                    p.old_name;
        write_line(run, line);
    }
    if (out.missing_values > 0)
        write_line(run, " ...NOTE.." + p.new_name + " IS MISSING AT " +
                            count_text(out.missing_values, "OBSERVATION", "OBSERVATIONS") +
                            ": VALUES OF " + p.old_name + " ARE MISSING");
}

void report_chow_lin(Run& run, const ConvertPlan& p, const ConvertOutcome& out) {
    const ChowLinFit& f = out.chow_lin;
    write_line(run, " CHOWLIN: GLS OF THE PERIOD " +
                        std::string(p.match_average ? "AVERAGES" : "SUMS") + " OF " + p.old_name +
                        " ON THOSE OF THE REGRESSORS, AR(1) RESIDUALS");
    write_line(run, " RHO =" + fmt_F(f.rho, 14, 8) +
                        (f.rho_estimated ? " (MAXIMUM LIKELIHOOD OVER -0.999 TO 0.999, " +
                                               std::to_string(f.evaluations) + " EVALUATIONS)"
                                         : std::string(" (GIVEN)")));
    write_line(run, " LOG LIKELIHOOD =" + fmt_G(f.llf, 16, 8) +
                        "   SIGMA SQUARED =" + fmt_G(f.sigma2, 16, 8));
    write_line(run, " VARIABLE         ESTIMATE       STD ERROR          T-STAT");
    for (std::size_t j = 0; j < f.coef.size(); ++j) {
        std::string name = out.regressor_names[j];
        name.resize(8, ' ');
        write_line(run, " " + name + number_column(f.coef[j], 16, 8) +
                            number_column(f.se[j], 16, 8) +
                            number_column(f.coef[j] / f.se[j], 16, 8));
    }
}

} // namespace

void report_conversion(Run& run, const ConvertPlan& p, const ConvertOutcome& out) {
    const long long made = static_cast<long long>(out.values.size());
    write_line(run, " CONVERT " + p.old_name + " (" + std::to_string(p.from) +
                        " A YEAR, OBSERVATIONS " + std::to_string(p.beg) + " TO " +
                        std::to_string(p.end) + ") TO " + p.new_name + " (" + std::to_string(p.to) +
                        " A YEAR, " + count_text(made, "OBSERVATION", "OBSERVATIONS") + ") BY " +
                        method_name(p.method));
    if (p.dated) report_dates(run, p, made);
    report_missing(run, p, out);
    const std::string met = p.match_average ? "AVERAGE" : "SUM";
    if (p.method == ConvertMethod::DENTON)
        write_line(run, p.indicator_names.empty()
                            ? " DENTON: " + p.new_name + " CHANGES AS LITTLE AS THE PERIOD " + met +
                                  "S OF " + p.old_name + " ALLOW (FIRST DIFFERENCES)"
                            : " DENTON: THE RATIO " + p.new_name + "/" + p.indicator_names.front() +
                                  " CHANGES AS LITTLE AS THE PERIOD " + met + "S OF " + p.old_name +
                                  " ALLOW (FIRST DIFFERENCES)");
    if (out.has_chow_lin) report_chow_lin(run, p, out);
    if (p.method == ConvertMethod::DENTON || p.method == ConvertMethod::CHOWLIN)
        write_line(run, " LARGEST GAP BETWEEN A PERIOD " + met + " OF " + p.new_name + " AND " +
                            p.old_name + ":" + fmt_E(out.period_gap, 12, 4));
}

} // namespace tarvex
