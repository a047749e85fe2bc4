// The graph settings applied: date forms, axis number forms, shown names, and the axes of a
// character plot and of a gnuplot picture.
#include "regress/graph/graph_formats.hpp"

#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/graph/char_plot.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/plot_data.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace tarvex {

namespace {

// The words of a date form, longest first so that YYYY is not read as YY YY.
constexpr std::array<const char*, 7> DATE_WORDS = {"YYYY", "MON", "YY", "MM", "Q", "M", "P"};
constexpr const char* MONTH_NAMES[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                       "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr int DATE_TICKS_MOST = 10; // date labels on a gnuplot time axis

// The date word at `at`, or nullptr.
const char* date_word_at(const std::string& form, std::size_t at) {
    for (const char* word : DATE_WORDS)
        if (form.compare(at, std::char_traits<char>::length(word), word) == 0) return word;
    return nullptr;
}

// The month a period starts in: the period itself for months, the quarter's first month for
// quarters, January for years; 0 under any other frequency.
int month_of(int period, int frequency) {
    if (frequency == 12) return period;
    if (frequency == 4) return 3 * (period - 1) + 1;
    if (frequency == 1) return 1;
    return 0;
}

std::string two_digits(long long v) {
    return fmt_I(((v % 100) + 100) % 100, 2, 2);
}

} // namespace

bool check_time_format(const std::string& form, std::string& bad) {
    for (std::size_t at = 0; at < form.size();) {
        if (!std::isalpha(static_cast<unsigned char>(form[at]))) {
            ++at;
            continue;
        }
        if (const char* word = date_word_at(form, at)) {
            at += std::char_traits<char>::length(word);
            continue;
        }
        std::size_t end = at;
        while (end < form.size() && std::isalpha(static_cast<unsigned char>(form[end]))) ++end;
        bad = form.substr(at, end - at);
        return false;
    }
    return true;
}

std::string format_date(const std::string& form, const CalendarDate& date, int frequency) {
    const int month = month_of(date.period, frequency);
    std::string out;
    for (std::size_t at = 0; at < form.size();) {
        const char* word =
            std::isalpha(static_cast<unsigned char>(form[at])) ? date_word_at(form, at) : nullptr;
        if (word == nullptr) {
            out += form[at++];
            continue;
        }
        const std::string w = word;
        at += w.size();
        if (w == "YYYY")
            out += std::to_string(date.year);
        else if (w == "YY")
            out += two_digits(date.year);
        else if (w == "Q")
            out += std::to_string(month > 0 ? (month - 1) / 3 + 1 : date.period);
        else if (w == "MM")
            out += two_digits(month > 0 ? month : date.period);
        else if (w == "M")
            out += std::to_string(month > 0 ? month : date.period);
        else if (w == "MON")
            out += month > 0 ? MONTH_NAMES[month - 1] : std::to_string(date.period);
        else
            out += std::to_string(date.period);
    }
    return out;
}

bool parse_number_form(const std::string& text, AxisNumberForm& form) {
    const std::string t = upper_ascii(text);
    if (t.size() < 2 || (t[0] != 'F' && t[0] != 'E' && t[0] != 'I')) return false;
    std::size_t at = 1;
    auto number = [&](int& v) {
        const std::size_t start = at;
        v = 0;
        while (at < t.size() && std::isdigit(static_cast<unsigned char>(t[at])) && at - start < 3)
            v = 10 * v + (t[at++] - '0');
        return at > start;
    };
    AxisNumberForm f;
    f.kind = t[0];
    if (!number(f.width) || f.width < 1 || f.width > 40) return false;
    if (f.kind != 'I') {
        if (at >= t.size() || t[at] != '.') return false;
        ++at;
        if (!number(f.digits) || f.digits > 30) return false;
    }
    if (at != t.size()) return false;
    f.text = t;
    form = f;
    return true;
}

std::string axis_text(Real v, const AxisNumberForm& form) {
    std::string text;
    switch (form.kind) {
    case 'F':
        text = fmt_F(v, form.width, form.digits);
        break;
    case 'E':
        text = fmt_E(v, form.width, form.digits);
        break;
    case 'I':
        // beyond a whole number's range the field is filled with '*', as a Fortran field is
        text = finiteq(v) && fabsq(v) < Real(1e18Q)
                   ? fmt_I(static_cast<long long>(qm::round(v)), form.width)
                   : std::string(form.width, '*');
        break;
    default:
        return axis_value(v);
    }
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string shown_name(const GraphFormats& f, const std::string& name) {
    const std::string key = upper_ascii(trim_trailing_blanks(name));
    for (const auto& [variable, shown] : f.names)
        if (variable == key) return shown;
    return name;
}

void show_names(const GraphFormats& f, PlotData& data) {
    for (std::string& name : data.names) name = shown_name(f, name);
}

void apply_axis_formats(const GraphFormats& f, int frequency, CharPlot& plot) {
    plot.x_min = {f.x.has_min, f.x.min}, plot.x_max = {f.x.has_max, f.x.max};
    plot.y_min = {f.y.has_min, f.y.min}, plot.y_max = {f.y.has_max, f.y.max};
    plot.x_ticks = f.x.ticks, plot.y_ticks = f.y.ticks;
    if (f.y.form.kind != 0) plot.y_text = [form = f.y.form](Real v) { return axis_text(v, form); };
    if (frequency > 0 && !f.time_format.empty())
        plot.x_text = [form = f.time_format, frequency](Real v) {
            return format_date(form, date_at_position(v, frequency), frequency);
        };
    else if (frequency <= 0 && f.x.form.kind != 0)
        plot.x_text = [form = f.x.form](Real v) { return axis_text(v, form); };
}

namespace {

// gnuplot's printf form for an axis number form.
std::string gnuplot_form(const AxisNumberForm& form) {
    switch (form.kind) {
    case 'F':
        return "%." + std::to_string(form.digits) + "f";
    case 'E':
        return "%." + std::to_string(form.digits) + "E";
    default:
        return "%.0f";
    }
}

std::string axis_lines(const AxisFormat& a, const char* axis, Real low, Real high) {
    std::string out;
    if (a.has_min || a.has_max)
        out += std::string("set ") + axis + "range [" + (a.has_min ? gnuplot_number(a.min) : "*") +
               ":" + (a.has_max ? gnuplot_number(a.max) : "*") + "]\n";
    if (a.has_min) low = a.min;
    if (a.has_max) high = a.max;
    if (a.ticks > 0 && high > low)
        out += std::string("set ") + axis + "tics " + gnuplot_number(low) + ", " +
               gnuplot_number((high - low) / Real(a.ticks)) + ", " + gnuplot_number(high) + "\n";
    if (a.form.kind != 0)
        out +=
            std::string("set format ") + axis + " " + gnuplot_quoted(gnuplot_form(a.form)) + "\n";
    return out;
}

} // namespace

std::string gnuplot_axis_lines(const GraphFormats& f, Real x_low, Real x_high, Real y_low,
                               Real y_high) {
    return axis_lines(f.x, "x", x_low, x_high) + axis_lines(f.y, "y", y_low, y_high);
}

std::string gnuplot_date_tics(const GraphFormats& f, const std::vector<Real>& dates,
                              int frequency) {
    if (frequency <= 0 || f.time_format.empty() || dates.empty()) return "";
    const std::size_t step = (dates.size() + DATE_TICKS_MOST - 1) / DATE_TICKS_MOST;
    std::string out = "set xtics (";
    for (std::size_t i = 0; i < dates.size(); i += step)
        out += std::string(i ? ", " : "") +
               gnuplot_quoted(
                   format_date(f.time_format, date_at_position(dates[i], frequency), frequency)) +
               " " + gnuplot_number(dates[i]);
    return out + ")\n";
}

} // namespace tarvex
