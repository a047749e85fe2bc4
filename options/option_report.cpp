// Lines the option parser writes: the invalid-option message with the table's keywords, and
// one " KEYWORD  = value" line per setting for DISPLAY and the DUMP switch's echo.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/option_parts.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {
inline constexpr int ERR_INVALID_OPTION = 1012;
inline constexpr int KEYWORDS_PER_LINE = 5;
inline constexpr std::size_t KEYWORD_FIELD = 10;
inline constexpr int INTEGER_WIDTH = 12;
inline constexpr int REAL_WIDTH = 16;
inline constexpr int REAL_DIGITS = 8;
} // namespace

std::string option_setting_line(Run& run, const OptionTable& table, int position) {
    const OptionSlot slot = slot_of(table, position);
    const OptionSet& opt = run.opt;
    std::string line = " " + option_word8(table.keywords[position]) + " = ";
    switch (slot.group) {
    case 1:
        return line + (opt.sw[slot.index] ? "T" : "F");
    case 2:
        return line + fmt_I(opt.iv[slot.index], INTEGER_WIDTH);
    case 3:
        return line + fmt_G(opt.rv[slot.index], REAL_WIDTH, REAL_DIGITS);
    default: {
        const std::string& full = opt.name_full[slot.index];
        return line + (full.empty() ? trim_trailing_blanks(opt.name[slot.index]) : full);
    }
    }
}

void report_invalid_option(Run& run, const OptionTable& table, std::string_view word) {
    report_error(run, " ...ERROR..INVALID OPTION.." + std::string(word), ERR_INVALID_OPTION);
    write_line(run, " AVAILABLE OPTIONS ARE:");
    const int count = option_table_size(table);
    std::string line = " ";
    for (int k = 0; k < count; ++k) {
        std::string field(table.keywords[k]);
        field.resize(KEYWORD_FIELD, ' ');
        line += field;
        if ((k + 1) % KEYWORDS_PER_LINE == 0 || k + 1 == count) {
            write_line(run, line);
            line = " ";
        }
    }
}

} // namespace tarvex
