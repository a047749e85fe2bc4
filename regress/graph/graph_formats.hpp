// Reading and applying the graph settings of TIMEFMT, AXISFMT and NAMEFMT: checking a date form
// and a number form as the user types them, writing a date or an axis value in them, the names
// shown for variables, and the gnuplot lines that give a picture the same axes.
#pragma once

#include "core/graph_formats.hpp"
#include "workspace/calendar_dates.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct CharPlot;
struct PlotData;

// A date form: the words YYYY (year), YY (its last two digits), Q (quarter), MM (month, two
// digits), M (month), MON (JAN ... DEC) and P (the period of the year), anything that is not a
// letter kept as it is. False, with the first word that is none of these in `bad`.
bool check_time_format(const std::string& form, std::string& bad);
// The date in the form (upper case, as checked).
std::string format_date(const std::string& form, const CalendarDate& date, int frequency);

// An axis number form Fw.d, Ew.d or Iw (w 1..40, d 0..30); false when it is none of these.
bool parse_number_form(const std::string& text, AxisNumberForm& form);
// The value in the axis's form, blanks around it removed (the plot's own compact value when
// no form is set).
std::string axis_text(Real v, const AxisNumberForm& form);

// The name shown for a variable: the one NAMEFMT gave it, else the name itself.
std::string shown_name(const GraphFormats& f, const std::string& name);
// Replaces the names of a plot's columns by their shown names.
void show_names(const GraphFormats& f, PlotData& data);

// Gives a character plot the settings: the axes' ranges, ticks and number forms, and under a
// calendar the date form of the time axis (`frequency` > 0).
void apply_axis_formats(const GraphFormats& f, int frequency, CharPlot& plot);

// The gnuplot lines for the settings: each axis's range, ticks (from `low` to `high`, the
// data's range where no MIN or MAX is set) and number form, and, under a calendar with a date
// form, the dates as tick labels at the given positions (at most about ten of them).
std::string gnuplot_axis_lines(const GraphFormats& f, Real x_low, Real x_high, Real y_low,
                               Real y_high);
std::string gnuplot_date_tics(const GraphFormats& f, const std::vector<Real>& dates, int frequency);

} // namespace tarvex
