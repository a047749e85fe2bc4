// TIME beg freq [var]: sets the calendar of the observations (year and sub-period of
// observation 1, sub-periods per year) and can build a date variable year + period / divisor.
#include "workspace/sample.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/calendar_dates.hpp"
#include "workspace/workspace.hpp"
#include "workspace/workspace_errors.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {

namespace {

// Divisor that places the period after the year's decimal point: 1960.1, 1960.01, 1960.001.
int period_divisor(int frequency) {
    if (frequency < 10) return 10;
    if (frequency < 100) return 100;
    return 1000;
}

// The frequency word: a whole number, at least 1.
bool read_frequency(const std::string& word, int& frequency) {
    Real value = 0;
    if (!parse_real_field(word, value) || !(value < Real(INT_MAX) && value > Real(INT_MIN)))
        return false;
    frequency = std::max(static_cast<int>(value), 1);
    return true;
}

// Builds the date variable over observations 1..IEND.
void make_date_variable(Run& run, const std::string& word) {
    SampleBlock& s = run.smpl;
    const std::string name = word.substr(0, 8);
    int ref = 0;
    NEWVAR(run, name, 1, TYPE_DATA, s.IEND, 1, ref);
    if (ref <= 0) return;
    if (run.flags.OPUT)
        write_line(run, " VARIABLE " + fmt_A(run.ws.VNAME[ref].substr(0, 8), 8) + " CREATED WITH " +
                            fmt_I(s.IEND, 5) + " OBSERVATIONS");
    VarInfo info;
    VINFO(run, ref, info);
    const Real divisor = period_divisor(s.ITIME3);
    for (long long t = 1; t <= s.IEND; ++t) {
        const CalendarDate date = calendar_date(s, t);
        element(run, info, t) = Real(date.year) + Real(date.period) / divisor;
    }
}

} // namespace

void cmd_time(Run& run) {
    const std::vector<std::string> words = sample_statement_words(run);
    if (words.empty()) {
        if (run.flags.OPUT) write_line(run, " COMMAND STRUCTURE: TIME beg freq var");
        return;
    }
    long long year = 0, sub = 0;
    int frequency = 0;
    bool dated = parse_date_word(words[0], year, sub);
    if (!dated && words[0].find('.') == std::string::npos) {
        // A whole year: its first sub-period.
        Real value = 0;
        dated = parse_real_field(words[0], value) && value > Real(INT_MIN) && value < Real(INT_MAX);
        year = dated ? static_cast<long long>(value) : 0;
        sub = 1;
    }
    if (!dated || year < INT_MIN || year > INT_MAX || sub > INT_MAX || words.size() < 2 ||
        !read_frequency(words[1], frequency)) {
        sample_syntax_error(run);
        return;
    }
    SampleBlock& s = run.smpl;
    s.ITIME1 = static_cast<int>(year);
    s.ITIME2 = static_cast<int>(std::max(sub, 1LL));
    s.ITIME3 = frequency;
    if (words.size() < 3) return;

    if (s.IEND < 1) {
        report_error(run,
                     " ...ERROR..SAMPLE RANGE HAS NOT BEEN DEFINED FOR: " +
                         padded_name(words[2].substr(0, 8), run.sw[OLC]).substr(0, 8),
                     TIME_NO_SAMPLE);
        return;
    }
    if (NAMCHK(words[2]) != 1 || words.size() > 3) {
        sample_syntax_error(run);
        return;
    }
    make_date_variable(run, words[2]);
}

} // namespace tarvex
