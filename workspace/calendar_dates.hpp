// The calendar dates TIME attaches to observation numbers: observation 1 is sub-period ITIME2 of
// year ITIME1, with ITIME3 sub-periods a year. For labels and time axes of plots.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct SampleBlock;

struct CalendarDate {
    long long year = 0;
    int period = 1; // 1 .. frequency
};

// Whether a TIME command has set the calendar.
bool calendar_set(const SampleBlock& s);
// The date of observation `obs` (any whole number: before 1 counts back).
CalendarDate calendar_date(const SampleBlock& s, long long obs);
// "1960" for one period a year, else the year, a point and the period in as many digits as the
// date variable of TIME gives it: 1960.3 (quarters), 1960.03 (months), 1960.003.
std::string calendar_text(const CalendarDate& date, int frequency);
// The date as a point on a time axis in years: year + (period - 1) / frequency.
Real calendar_position(const CalendarDate& date, int frequency);
// The date nearest to a point of the time axis.
CalendarDate date_at_position(Real position, int frequency);

} // namespace tarvex
