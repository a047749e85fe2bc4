// Lag references of the statement scanner: name(first.last[,order[,endcon]]) read without
// blanks inside the parentheses, and the "  LAG FOR" line that reports a range of lags.
#include "core/run.hpp"
#include "interp/scan_parts.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

inline constexpr int LAG_MAX = LAG_ORDER_UNIT - 1; // a lag must fit below the order digits
inline constexpr int MAX_CODES = 2;                // order, then end constraint

// Reads a run of digits at text[pos]; false when there is none or it exceeds `limit`.
bool read_digits(std::string_view text, std::size_t& pos, int limit, int& value) {
    std::size_t start = pos;
    long long v = 0;
    while (pos < text.size() && is_ascii_digit(text[pos])) {
        v = v * 10 + (text[pos] - '0');
        if (v > limit) {
            pos = start;
            return false;
        }
        ++pos;
    }
    value = static_cast<int>(v);
    return pos > start;
}

} // namespace

void note_lag_form(Run& run, std::string_view text, std::size_t open, std::string_view name) {
    std::size_t at = open + 1;
    const bool minus = at < text.size() && text[at] == '-';
    if (minus) ++at;
    int lag = 0;
    if (!read_digits(text, at, LAG_MAX, lag) || at >= text.size() || text[at] != ')') return;
    const std::string n = std::to_string(lag), shown = shown_name(run, name);
    write_line(run, " ...NOTE..IN A LIST THE LAG " + n + " OF " + shown + " IS WRITTEN " + shown +
                        "(" + n + "." + n + ") AND LAGS 0 TO " + n + " " + shown + "(0." + n + ")" +
                        (minus ? "; " + shown + "(-" + n + ") IS THE FORM OF EXPRESSIONS" : ""));
}

bool parse_lag_reference(std::string_view text, std::size_t& pos, LagRange& lags) {
    lags = LagRange{};
    std::size_t at = pos + 1; // past "("
    // First number: its integer part is the first lag, the digits after the point the last.
    if (!read_digits(text, at, LAG_MAX, lags.first)) {
        pos = at;
        return false;
    }
    if (at >= text.size() || text[at] != '.') { // a first number needs its decimal point
        pos = at;
        return false;
    }
    ++at;
    std::size_t last_start = at;
    if (!read_digits(text, at, LAG_MAX, lags.last)) {
        if (at < text.size() && is_ascii_digit(text[at])) { // digits too large for a lag
            pos = at;
            return false;
        }
        lags.last = 0; // "(2.)": no digits after the point read as 0
    }
    if (lags.last < lags.first) {
        pos = last_start;
        return false;
    }
    int codes = 0;
    while (at < text.size() && text[at] == ',') {
        if (codes == MAX_CODES) { // a third number
            pos = at;
            return false;
        }
        ++at;
        int value = 0;
        if (!read_digits(text, at, LAG_CODE_MAX, value)) {
            pos = at;
            return false;
        }
        if (codes == 0)
            lags.order = value;
        else
            lags.endcon = value;
        ++codes;
    }
    if (at >= text.size() || text[at] != ')') { // any other separator, or no ")"
        pos = at;
        return false;
    }
    pos = at + 1;
    return true;
}

void report_lag_range(Run& run, std::string_view name, const LagRange& lags) {
    std::string shown(name);
    shown.resize(8, ' '); // names in 8 columns, left-justified
    write_line(run, "  LAG FOR " + shown + "RANGE =" + fmt_I(lags.first, 5) + fmt_I(lags.last, 5) +
                        " ORDER=" + fmt_I(lags.order, 4) + " ENDCON=" + fmt_I(lags.endcon, 4));
}

} // namespace tarvex
