// The option parser OPTION: matches the words after "/" against the calling command's option
// table and stores switches, integers, reals and variable names in the option set; under
// DISPLAY it lists the named settings instead.
//
// Matching a word, in this order:
//   1. the whole word equals a keyword in full (so NORMALIZ and NORM are keywords, not NO +);
//   2. a word beginning with "NO" is the negation of the rest, matched as in step 3;
//   3. the whole word matched by prefix: the first keyword in table order that begins with it
//      (with the LONG switch on, the whole 8 characters must agree).
// Placeholder keywords (blank or lower-case x) and the end mark "********" never match.
#include "options/options.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/text.hpp"
#include "options/option_parts.hpp"

#include <climits>

namespace tarvex {

namespace {

// A matched keyword: its position in the table and whether "NO" negated it.
struct Match {
    int position = -1;
    bool negated = false;
};

// Prefix (or, under OLONG, full) match of `word` in table order.
int match_keyword(const OptionTable& table, std::string_view word, bool full_only) {
    const std::string w = option_word8(word);
    const std::size_t n = std::min<std::size_t>(word.size(), 8);
    if (n == 0) return -1;
    const int count = option_table_size(table);
    for (int k = 0; k < count; ++k) {
        if (is_placeholder(table.keywords[k])) continue;
        if (keyword_matches8(table.keywords[k], w, full_only ? 8 : n)) return k;
    }
    return -1;
}

Match match_option(const OptionTable& table, const std::string& typed, bool olong) {
    const std::string w8 = option_word8(typed);
    const int count = option_table_size(table);
    for (int k = 0; k < count; ++k)
        if (!is_placeholder(table.keywords[k]) && keyword_matches8(table.keywords[k], w8, 8))
            return {k, false};
    if (typed.size() > 2 && typed.compare(0, 2, "NO") == 0) {
        int k = match_keyword(table, std::string_view(typed).substr(2), olong);
        if (k >= 0) return {k, true};
    }
    return {match_keyword(table, typed, olong), false};
}

// The value words of one option: "KEY", "KEY =" or "KEY = VALUE".
struct Given {
    bool equals = false;
    int value = 0; // index of the value word, 0 when none
};

// Word k as typed: the scanner's full text when it belongs to the 8-character word (a word
// table filled by hand may leave an older statement's full text behind), else the word.
std::string typed_word(const ScanBlock& scan, int k) {
    const std::string& full = scan.full_words[k];
    if (!full.empty() && option_word8(full) == option_word8(scan.words[k])) return full;
    return trim_trailing_blanks(scan.words[k]);
}

// Stores one matched option (not under DISPLAY). False when the value is unusable.
bool store_option(Run& run, const OptionTable& table, Match m, const Given& given) {
    OptionSet& opt = run.opt;
    const OptionSlot slot = slot_of(table, m.position);
    const std::string keyword = trim_trailing_blanks(table.keywords[m.position]);
    const std::string value = given.value ? typed_word(run.scan, given.value) : std::string();
    switch (slot.group) {
    case 1:
        if (given.equals)
            write_line(run, " ...WARNING..THE " + keyword + " OPTION SHOULD NOT HAVE AN =");
        opt.sw[slot.index] = !m.negated;
        if (run.sw[ODMMP]) write_line(run, option_setting_line(run, table, m.position));
        return true;
    case 2:
    case 3: {
        if (m.negated) { // "NO" clears an integer's given flag; a real keeps its value
            if (slot.group == 2) opt.igiven[slot.index] = false;
            return true;
        }
        if (!given.value) {
            report_error(run, " ...ERROR..THE " + keyword + " OPTION NEEDS A VALUE AFTER =",
                         shared_error::OPTION_NEEDS_VALUE);
            return false;
        }
        Real v = 0;
        if (!option_number(run, keyword, value, v)) return false;
        if (slot.group == 3) {
            opt.rv[slot.index] = v;
            if (slot.index < static_cast<int>(opt.rgiven.size())) opt.rgiven[slot.index] = true;
            return true;
        }
        const Real rounded = roundq(v);
        if (rounded > INT_MAX || rounded < INT_MIN) {
            report_error(run, " ...ERROR..THE VALUE OF " + keyword + " IS OUT OF RANGE: " + value,
                         shared_error::OPTION_OUT_OF_RANGE);
            return false;
        }
        opt.iv[slot.index] = static_cast<int>(rounded);
        opt.igiven[slot.index] = true;
        return true;
    }
    default:
        if (m.negated) {
            opt.name[slot.index].clear();
            opt.name_full[slot.index].clear();
        } else if (!given.value) {
            opt.name[slot.index] = std::string(NO_VALUE_NAME);
            opt.name_full[slot.index] = std::string(NO_VALUE_NAME);
        } else {
            opt.name[slot.index] = option_word8(value);
            opt.name_full[slot.index] = value;
        }
        return true;
    }
}

} // namespace

bool OPTION(Run& run, const OptionTable& table) {
    OptionSet& opt = run.opt;
    if (static_cast<int>(opt.sw.size()) != table.nswitch ||
        static_cast<int>(opt.iv.size()) != table.nint ||
        static_cast<int>(opt.rv.size()) != table.nreal ||
        static_cast<int>(opt.name.size()) != table.nname || opt.name_full.size() != opt.name.size())
        opt.prepare(table);
    const ScanBlock& scan = run.scan;
    const bool display = run.cmd.IKOD == C_DISPLAY;
    auto is_equals = [&](int k) {
        return k <= scan.NOPS && trim_trailing_blanks(scan.words[k]) == "=";
    };

    for (int k = 1; k <= scan.NOPS;) {
        const std::string typed = upper_ascii(typed_word(scan, k));
        Given given;
        int next = k + 1;
        if (is_equals(k + 1)) {
            given.equals = true;
            next = k + 2;
            if (k + 2 <= scan.NOPS && !is_equals(k + 2)) {
                given.value = k + 2;
                next = k + 3;
            }
        }
        const Match m = typed == "=" ? Match{} : match_option(table, typed, run.sw[OLONG]);
        if (m.position < 0) {
            report_invalid_option(run, table, typed);
            return false;
        }
        if (display)
            write_line(run, option_setting_line(run, table, m.position));
        else if (!store_option(run, table, m, given))
            return false;
        k = next;
    }
    return true;
}

// One pass over the table, comparing in place (no upper-cased copy of each keyword): the
// estimators read a few dozen options by keyword from tables of a hundred.
OptionSlot find_option(const OptionTable& table, std::string_view keyword) {
    const std::string wanted = option_word8(keyword);
    const int count = option_table_size(table);
    for (int k = 0; k < count; ++k)
        if (keyword_matches8(table.keywords[k], wanted, 8) && !is_placeholder(table.keywords[k]))
            return slot_of(table, k);
    return {};
}

int option_index(const OptionTable& table, std::string_view keyword) {
    return find_option(table, keyword).index;
}

} // namespace tarvex
