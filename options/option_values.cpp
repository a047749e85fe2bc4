// Values in the option parser: keyword text helpers, table positions, and reading the number
// given after "=" (a number, a "$" result scalar, or a variable's current value).
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "options/option_parts.hpp"
#include "options/options.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

inline constexpr int ERR_MAXCOL = 1015;
inline constexpr std::size_t COLUMN_DIGITS_MAX = 12;

bool starts_number(char c) {
    return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

} // namespace

std::string option_word8(std::string_view word) {
    std::string out = upper_ascii(word.substr(0, 8));
    out.resize(8, ' ');
    return out;
}

bool is_placeholder(std::string_view keyword) {
    const std::string_view word = trim_trailing_blanks_view(keyword);
    if (word.empty() || word == "********") return true;
    return std::all_of(word.begin(), word.end(), [](char c) { return c == 'x'; });
}

bool keyword_matches8(std::string_view keyword, std::string_view w8, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const char k = i < keyword.size() ? upper_ascii(keyword[i]) : ' ';
        if (k != w8[i]) return false;
    }
    return true;
}

int option_table_size(const OptionTable& table) {
    const int declared = table.nswitch + table.nint + table.nreal + table.nname;
    int count = std::min<int>(declared, static_cast<int>(table.keywords.size()));
    for (int k = 0; k < count; ++k)
        if (table.keywords[k].starts_with("********") &&
            trim_trailing_blanks_view(table.keywords[k]) == "********")
            return k;
    return count;
}

OptionSlot slot_of(const OptionTable& table, int position) {
    const int sizes[4] = {table.nswitch, table.nint, table.nreal, table.nname};
    int base = 0;
    for (int group = 0; group < 4; ++group) {
        if (position < base + sizes[group]) return {group + 1, position - base};
        base += sizes[group];
    }
    return {};
}

bool option_number(Run& run, std::string_view keyword, std::string_view value, Real& out) {
    if (value.empty()) {
        report_error(run,
                     " ...ERROR..THE " + std::string(keyword) + " OPTION NEEDS A VALUE AFTER =",
                     shared_error::OPTION_NEEDS_VALUE);
        return false;
    }
    if (starts_number(value.front())) {
        if (parse_real_field(value, out)) return true;
        if (real_field_overflows(value)) {
            report_error(run,
                         " ...ERROR..THE NUMBER " + std::string(value) + " FOR THE " +
                             std::string(keyword) +
                             " OPTION OVERFLOWS: NO NUMBER CAN EXCEED ABOUT 1.19E+4932 IN SIZE",
                         shared_error::OPTION_BAD_NUMBER);
            return false;
        }
        report_error(run,
                     " ...ERROR..INVALID NUMBER " + std::string(value) + " FOR THE " +
                         std::string(keyword) + " OPTION",
                     shared_error::OPTION_BAD_NUMBER);
        return false;
    }
    // A result scalar or a variable, with an optional ":" and column number.
    const std::size_t colon = value.find(':');
    const std::string name(value.substr(0, std::min<std::size_t>(colon, 8)));
    const std::string shown = upper_ascii(value.substr(0, colon));
    int ref = VFIND(run, name);
    if (ref == 0) {
        report_error(run, " ...ERROR..DATA ON VARIABLE " + shown + " DOES NOT EXIST",
                     shared_error::OPTION_NO_DATA);
        return false;
    }
    if (colon != std::string_view::npos) {
        const std::string_view digits = value.substr(colon + 1);
        const bool numeric =
            !digits.empty() && digits.size() <= COLUMN_DIGITS_MAX &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        const long long column = numeric ? std::stoll(std::string(digits)) : 0;
        if (!numeric || column == 0 || ref < 0) {
            report_error(run,
                         " ...ERROR..INVALID COLUMN " + std::string(value) + " FOR THE " +
                             std::string(keyword) + " OPTION",
                         shared_error::OPTION_BAD_COLUMN);
            return false;
        }
        const long long combined = column + static_cast<long long>(run.ws.MXCOL) * ref;
        if (column > run.ws.MXCOL || combined > INT32_MAX) {
            report_error(run,
                         " ...ERROR.." + std::to_string(column) +
                             " EXCEEDS MAXCOL=" + std::to_string(run.ws.MXCOL) + " USE SET MAXCOL=",
                         ERR_MAXCOL);
            return false;
        }
        ref = static_cast<int>(combined);
    }
    VarInfo info;
    if (!VINFO(run, ref, info)) return false; // VINFO reported the column beyond the variable
    if (info.length < 1) {
        report_error(run, " ...ERROR..DATA ON VARIABLE " + shown + " DOES NOT EXIST",
                     shared_error::OPTION_NO_DATA);
        return false;
    }
    out = element(run, info, 1);
    return true;
}

} // namespace tarvex
