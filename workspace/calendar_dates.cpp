// Dates of observations under the calendar of TIME, and their places on a time axis.
#include "workspace/calendar_dates.hpp"

#include "core/run.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// floor(a / b) for b > 0.
long long floor_divide(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

CalendarDate date_of_period(long long periods_from_year_zero, int frequency) {
    const long long year = floor_divide(periods_from_year_zero, frequency);
    return {year, int(periods_from_year_zero - year * frequency) + 1};
}

} // namespace

bool calendar_set(const SampleBlock& s) {
    return s.ITIME2 >= 1 && s.ITIME3 >= 1;
}

CalendarDate calendar_date(const SampleBlock& s, long long obs) {
    const long long f = s.ITIME3;
    return date_of_period(s.ITIME1 * f + (s.ITIME2 - 1) + (obs - 1), s.ITIME3);
}

std::string calendar_text(const CalendarDate& date, int frequency) {
    std::string text = std::to_string(date.year);
    if (frequency <= 1) return text;
    const std::size_t digits = frequency < 10 ? 1 : frequency < 100 ? 2 : 3;
    std::string period = std::to_string(date.period);
    if (period.size() < digits) period.insert(0, digits - period.size(), '0');
    return text + "." + period;
}

Real calendar_position(const CalendarDate& date, int frequency) {
    return Real(date.year) + Real(date.period - 1) / Real(frequency);
}

CalendarDate date_at_position(Real position, int frequency) {
    const long long periods = static_cast<long long>(qm::round(position * Real(frequency)));
    return date_of_period(periods, frequency);
}

} // namespace tarvex
