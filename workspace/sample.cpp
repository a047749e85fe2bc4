// SAMPLE (and SMPL): reads the bounds (numbers, dates of the TIME calendar, or names of
// variables and result scalars), then sets IBEG/IEND, marks the gaps of a multi-range sample
// in SKIP$ and sets $N. Everything is checked before anything changes: after an error the
// previous sample, MAXOB and SKIP$ stay as they were.
#include "workspace/sample.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/workspace.hpp"
#include "workspace/workspace_errors.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {

namespace {

// One bound as written: a word, optionally followed by ":" and a column number.
struct BoundText {
    std::string word;
    std::string column; // empty when no ":" followed
    bool has_column = false;
};

std::vector<BoundText> group_bounds(const std::vector<std::string>& words) {
    std::vector<BoundText> bounds;
    for (std::size_t k = 0; k < words.size(); ++k) {
        BoundText bound{words[k], "", false};
        if (words[k] != ":" && k + 1 < words.size() && words[k + 1] == ":") {
            bound.has_column = true;
            if (k + 2 < words.size()) bound.column = words[k + 2];
            k += 2;
        }
        bounds.push_back(bound);
    }
    return bounds;
}

// A real converted to an observation number by truncation; false when out of range.
bool to_observation(Real value, long long& obs) {
    if (!(value > Real(INT_MIN) && value < Real(INT_MAX))) return false;
    obs = static_cast<long long>(value);
    return true;
}

bool read_column(const Run& run, const std::string& text, int& col) {
    long long value = 0;
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    if (value < 1 || value > run.ws.MXCOL) return false;
    col = static_cast<int>(value);
    return true;
}

// The first element of a variable or column, or a result scalar's value, as an observation.
bool read_name_bound(Run& run, const BoundText& bound, long long& obs) {
    const std::string name = bound.word.substr(0, 8);
    const int ref = VFIND(run, name);
    if (ref == 0) return false;
    int col = 1;
    if (bound.has_column && !read_column(run, bound.column, col)) return false;
    if (ref < 0) {
        if (col > 1) return false;
        return to_observation(run.res[-ref], obs);
    }
    VarInfo info;
    const int target = col > 1 ? col + run.ws.MXCOL * ref : ref;
    if (!VINFO(run, target, info)) return false;
    if (info.addr == 0 || info.inc == 0 || info.length < 1) return false;
    return to_observation(element(run, info, 1), obs);
}

// Observation number of a date year.sub on the TIME calendar.
bool read_date_bound(const Run& run, const std::string& word, long long& obs) {
    long long year = 0, sub = 0;
    if (!parse_date_word(word, year, sub)) return false;
    const SampleBlock& s = run.smpl;
    if (s.ITIME2 == 0 || year < s.ITIME1) return false;
    obs = (sub - s.ITIME2) + 1 + (year - s.ITIME1) * s.ITIME3;
    return true;
}

bool read_bound(Run& run, const BoundText& bound, long long& obs) {
    const std::string& word = bound.word;
    if (word == ":") return false;
    if (NAMCHK(word) == 1 || word.front() == '$') return read_name_bound(run, bound, obs);
    if (bound.has_column) return false;
    if (word.find('.') != std::string::npos) return read_date_bound(run, word, obs);
    Real value = 0;
    if (!parse_real_field(word, value)) return false;
    return to_observation(value, obs);
}

// Reads and checks every bound; false on any error (nothing changed yet).
bool read_all_bounds(Run& run, const std::vector<BoundText>& texts, std::vector<int>& bounds) {
    long long previous = LLONG_MIN;
    for (const BoundText& text : texts) {
        long long obs = 0;
        if (!read_bound(run, text, obs)) return false;
        if (obs < previous) return false;
        bounds.push_back(static_cast<int>(obs));
        previous = obs;
    }
    if (bounds.front() < 1 || bounds.back() < 1) return false;
    // Consecutive ranges need at least one observation between them.
    for (std::size_t k = 2; k < bounds.size(); k += 2)
        if (bounds[k] <= bounds[k - 1] + 1) return false;
    return true;
}

// Takes away the gap marks of the previous sample (codes above 1 other than 9 lose 2).
void remove_range_marks(const SkipCodes& skip) {
    for (long long t = 1; t <= skip.length; ++t) {
        Real& code = skip.codes[t];
        if (code != SKIP_MISSING && code > 1) code -= SKIP_OUTSIDE_RANGES;
    }
}

void mark_gaps(const SkipCodes& skip, const std::vector<int>& bounds) {
    for (std::size_t k = 2; k < bounds.size(); k += 2)
        for (long long t = bounds[k - 1] + 1; t < bounds[k] && t <= skip.length; ++t)
            if (skip.codes[t] != SKIP_MISSING) skip.codes[t] += SKIP_OUTSIDE_RANGES;
}

void run_sample(Run& run) {
    const std::vector<std::string> words = sample_statement_words(run);
    if (words.empty()) {
        if (run.flags.OPUT) write_line(run, " COMMAND STRUCTURE: SAMPLE beg end beg end ...");
        return;
    }
    const std::vector<BoundText> texts = group_bounds(words);
    const int count = static_cast<int>(texts.size());
    if (count % 2 != 0 || count < 2) {
        report_error(run, " ...ERROR..ONLY" + fmt_I(count, 4) + " SAMPLE PERIODS..USE EVEN NUMBER",
                     command_error_number(run, SAMPLE_ODD_PERIODS_SEQUENCE));
        return;
    }
    std::vector<int> bounds;
    if (!read_all_bounds(run, texts, bounds)) {
        sample_syntax_error(run);
        return;
    }

    SampleBlock& s = run.smpl;
    const bool several = count > 2;
    const int first = bounds.front();
    const int last = bounds.back();
    const int maxob = std::max(s.MAXOB, last);
    if (several) {
        const SkipCodes skip = skip_codes(run);
        if ((!skip || skip.length <= last) && !make_skip_variable(run, maxob)) return;
    }
    s.MAXOB = maxob;
    s.IBEG = first;
    s.IEND = last;
    s.NOBS = last - first + 1;
    const SkipCodes skip = skip_codes(run);
    if (skip) remove_range_marks(skip);
    run.sw[OSMPL] = several;
    if (several) mark_gaps(skip, bounds);
    run.res[R_N] = s.NOBS - count_skipped(run, s.IBEG, s.IEND);
}

} // namespace

void cmd_sample(Run& run) {
    if (run.cmd.IKOD == C_TIME)
        cmd_time(run);
    else
        run_sample(run);
}

} // namespace tarvex
