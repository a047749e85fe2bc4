// The statement scanner SCANIT: walks the statement after the command word and fills the scan
// block with variable references (columns, lags, name ranges), the unit or file in
// parentheses, and the word table of the options that follow "/".
#include "interp/scanner.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "interp/scan_parts.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/workspace.hpp"

#include <climits>

namespace tarvex {

namespace {

inline constexpr int FILE_UNIT = 88;         // unit of a data file named in parentheses
inline constexpr int ERR_MAXCOL = 1015;      // ERR after a column above MXCOL
inline constexpr int COLUMN_DIGITS_MAX = 12; // longer column numbers are certainly too large
const std::string BLANK_WORD(8, ' ');

// Commands whose items are all plain words (keywords, labels, sizes), never variables.
inline constexpr int WORDS_ONLY_COMMANDS[] = {
    C_SET,     // switches and run values
    C_DISPLAY, // the same keywords, listed
    C_STOP,    // HOLD, STOP, RESET, DB
    C_RESET,   // CLOSE
    C_SIZE,    // the variable limit or "?"
    C_PARM,    // the work-area size or "?"
    C_GOTO,    // the label
};

bool separates(char c) {
    return c == ' ' || c == ',' || c == ';' || c == '\t';
}

bool ends_item(char c) {
    return separates(c) || c == '(' || c == ')' || c == '/' || c == ':';
}

// Characters a name may hold when OTNUM asks for strict names.
bool strict_name_char(char c) {
    return is_ascii_letter(c) || is_ascii_digit(c) || c == '$' || c == '_';
}

std::string word8(std::string_view word) {
    std::string out(word.substr(0, 8));
    for (char& c : out) c = upper_ascii(c);
    out.resize(8, ' ');
    return out;
}

// One statement's walk: the position in the statement and what has been stored so far.
struct Walk {
    Run& run;
    ScanBlock& scan;
    const std::string& text;
    std::size_t pos;
    bool words_overflowed = false;
    bool list_overflowed = false;
};

void add_word(Walk& w, std::string_view word) {
    ScanBlock& scan = w.scan;
    ++scan.NWORDS;
    if (scan.NOPS == MAXWORDS) {
        if (!w.words_overflowed)
            write_line(w.run, " ...WARNING..MORE THAN 40 WORDS, " + std::string(word) +
                                  " AND THOSE AFTER IT ARE IGNORED");
        w.words_overflowed = true;
        return;
    }
    ++scan.NOPS;
    scan.words[scan.NOPS] = word8(word);
    scan.full_words[scan.NOPS] = std::string(word);
}

// Collects words up to the end of the statement: blanks and commas separate, "=" is a word of
// its own. In the option part a "/" that begins a word separates, unless the word is the value
// after "=" (a path such as /tmp/a.png); for keyword-only commands every "/" separates. A value
// after "=" in single or double quotes is one word, up to the closing quote.
void collect_words(Walk& w, bool slash_separates) {
    const std::string& text = w.text;
    std::string word;
    bool after_equals = false;
    auto finish = [&] {
        if (word.empty()) return;
        add_word(w, word);
        after_equals = false;
        word.clear();
    };
    for (; w.pos < text.size(); ++w.pos) {
        const char c = text[w.pos];
        if (c == ' ' || c == ',' || c == '\t') {
            finish();
        } else if (c == '=') {
            finish();
            add_word(w, "=");
            after_equals = true;
        } else if (c == '/' && (slash_separates || (word.empty() && !after_equals))) {
            finish();
        } else if ((c == '\'' || c == '"') && word.empty() && after_equals) {
            // A quoted value (a title) is one word, blanks and all, without its quotes.
            const std::size_t close = text.find(c, w.pos + 1);
            const std::size_t end = close == std::string::npos ? text.size() : close;
            word = text.substr(w.pos + 1, end - w.pos - 1);
            w.pos = end;
            finish();
        } else {
            word += c;
        }
    }
    finish();
}

// Appends one list item; checks the list's capacity and READ's duplicate names.
void append_item(Walk& w, int ref, int lag, char mark, std::string_view name) {
    ScanBlock& scan = w.scan;
    Run& run = w.run;
    if (scan.NF == scan.MAXVAR) {
        // Said once; the later items are dropped quietly.
        report_error(run,
                     w.list_overflowed ? std::string()
                                       : " ...ERROR..MORE THAN " + std::to_string(scan.MAXVAR) +
                                             " ITEMS IN THE LIST",
                     w.list_overflowed ? 0 : shared_error::LIST_TOO_LONG);
        w.list_overflowed = true;
        return;
    }
    if (run.cmd.IKOD == C_READ) {
        for (int k = 1; k <= scan.NF; ++k) {
            if (scan.ref(k) != ref) continue;
            report_error(
                run, " ...ERROR.." + shown_name(run, name) + " IS IN READ COMMAND MORE THAN ONCE",
                shared_error::READ_NAME_TWICE, ErrorSeverity::SERIOUS);
            break;
        }
    }
    ++scan.NF;
    scan.ref(scan.NF) = ref;
    scan.lag(scan.NF) = lag;
    scan.item_mark[scan.NF] = mark;
    scan.bound_name[scan.NF].clear();
}

// "(" in READ, PRINT or WRITE: a unit number or a file name up to ")".
bool unit_reference(Walk& w) {
    const std::size_t close = w.text.find(')', w.pos + 1);
    if (close == std::string::npos) {
        report_syntax_error(w.run, w.text.size());
        return false;
    }
    std::string_view inside(w.text);
    inside = inside.substr(w.pos + 1, close - w.pos - 1);
    const std::size_t first = inside.find_first_not_of(' ');
    inside = first == std::string_view::npos
                 ? std::string_view()
                 : inside.substr(first, inside.find_last_not_of(' ') - first + 1);
    bool number = !inside.empty() && inside.size() <= 9;
    for (char c : inside) number = number && is_ascii_digit(c);
    ScanBlock& scan = w.scan;
    if (number) {
        scan.INPAR = std::stoi(std::string(inside));
    } else {
        scan.filename = std::string(inside);
        scan.INPAR = FILE_UNIT;
    }
    ++scan.NFPAR;
    ++scan.NWORDS;
    w.pos = close + 1;
    return true;
}

// A name (already cut to 8 characters) with its optional column and lag reference.
struct ItemRef {
    std::string name;
    long long column = 0;      // 0: the whole variable
    std::size_t column_at = 0; // statement column of ":" for messages
    bool lagged = false;
    LagRange lags;
};

// A name bound to a file on disk and not in memory: an item of reference 0 with its name for
// the commands that take bound series (whole series only), for DELETE, which unbinds it, and for
// NAMES, which describes it; READ
// looks it up as a new variable (reading it into memory unbinds it); every other command refuses
// it. True when the item is dealt with here.
bool store_bound_item(Walk& w, const ItemRef& item, char mark) {
    Run& run = w.run;
    const BoundSeries* bound = find_bound_series(run, item.name);
    if (bound == nullptr || VFIND(run, item.name) != 0) return false;
    const int ikod = run.cmd.IKOD;
    if (ikod == C_READ) return false;
    if ((ikod == C_DELETE || ikod == C_NAMES || takes_bound_series(ikod)) && item.column == 0 &&
        !item.lagged) {
        ++w.scan.NWORDS;
        const int before = w.scan.NF;
        append_item(w, 0, 0, mark, item.name);
        if (w.scan.NF > before) w.scan.bound_name[w.scan.NF] = item.name;
        return true;
    }
    report_error(run, bound_in_memory_message(run, item.name, *bound),
                 command_error_number(run, BOUND_NEEDS_MEMORY_SEQUENCE));
    return true;
}

// Looks the item's name up and stores its list entries.
void store_item(Walk& w, const ItemRef& item, char mark) {
    Run& run = w.run;
    if (store_bound_item(w, item, mark)) return;
    int ref = resolve_name(run, item.name);
    if (ref == 0) return;
    if (item.column > 0) {
        if (ref < 0) { // a result scalar has no columns
            report_syntax_error(run, item.column_at);
            return;
        }
        const long long combined = item.column + static_cast<long long>(run.ws.MXCOL) * ref;
        if (item.column > run.ws.MXCOL || combined > INT_MAX) {
            report_error(run,
                         " ...ERROR.." + std::to_string(item.column) +
                             " EXCEEDS MAXCOL=" + std::to_string(run.ws.MXCOL) + " USE SET MAXCOL=",
                         ERR_MAXCOL);
            return;
        }
        ref = static_cast<int>(combined);
    }
    ++w.scan.NWORDS;
    if (!item.lagged) {
        append_item(w, ref, 0, mark, item.name);
        return;
    }
    const LagRange& lags = item.lags;
    for (int lag = lags.first; lag <= lags.last; ++lag) {
        const int code = lag_code(lags, lag);
        const bool marked = lags.last > lags.first || code > 0;
        append_item(w, marked ? MARK_BASE - ref : ref, code, mark, item.name);
    }
    if (run.flags.OPUT && lags.last > lags.first)
        report_lag_range(run, shown_name(run, item.name), lags);
}

// Cuts a name to 8 characters with the truncation warning.
std::string cut_name(Run& run, const std::string& name) {
    if (name.size() <= 8) return name;
    std::string short_name = name.substr(0, 8);
    if (run.flags.OPUT)
        write_line(run, " ...WARNING.." + shown_name(run, name) + " IS TRUNCATED TO " +
                            shown_name(run, short_name));
    return short_name;
}

// One item of the variable list, starting at a non-separator that is not "/" or "(".
bool scan_item(Walk& w) {
    Run& run = w.run;
    const std::string& text = w.text;
    char mark = ' ';
    if (text[w.pos] == '+' || text[w.pos] == '\\') mark = text[w.pos++];
    const std::size_t start = w.pos;
    while (w.pos < text.size() && !ends_item(text[w.pos])) ++w.pos;
    const std::string item = text.substr(start, w.pos - start);
    if (item.empty()) {
        report_syntax_error(run, start);
        return false;
    }
    const bool next_qualifies = w.pos < text.size() && (text[w.pos] == ':' || text[w.pos] == '(');

    if (run.flags.OTNUM) {
        std::vector<std::string> names;
        if (expand_name_range(item, names) == RangeKind::RANGE) {
            if (next_qualifies) { // a range takes no column or lag
                report_syntax_error(run, w.pos);
                return false;
            }
            for (const std::string& name : names) {
                ItemRef ref;
                ref.name = cut_name(run, name);
                store_item(w, ref, mark);
            }
            return true;
        }
        for (std::size_t k = 0; k < item.size(); ++k) {
            if (!strict_name_char(item[k])) { // "=" included
                report_syntax_error(run, start + k);
                return false;
            }
        }
        if (run.flags.ONEWV && item.front() != '$' && NAMCHK(item) != 1) {
            report_syntax_error(run, start); // a new variable needs a name
            return false;
        }
    }

    ItemRef ref;
    ref.name = cut_name(run, item);
    if (w.pos < text.size() && text[w.pos] == ':') {
        ref.column_at = w.pos++;
        const std::size_t digits = w.pos;
        while (w.pos < text.size() && is_ascii_digit(text[w.pos])) ++w.pos;
        const std::size_t count = w.pos - digits;
        if (count == 0 || count > COLUMN_DIGITS_MAX) {
            report_syntax_error(run, digits);
            return false;
        }
        ref.column = std::stoll(text.substr(digits, count));
        if (ref.column == 0) {
            report_syntax_error(run, digits);
            return false;
        }
        if (w.pos < text.size() && !ends_item(text[w.pos])) {
            report_syntax_error(run, w.pos);
            return false;
        }
    }
    if (w.pos < text.size() && text[w.pos] == '(') {
        ref.lagged = true;
        const std::size_t open = w.pos;
        if (!parse_lag_reference(text, w.pos, ref.lags)) {
            report_syntax_error(run, w.pos);
            note_lag_form(run, text, open, ref.name);
            return false;
        }
        if (w.pos < text.size() && !ends_item(text[w.pos])) {
            report_syntax_error(run, w.pos);
            return false;
        }
    }
    if (w.pos < text.size() && text[w.pos] == ':') { // a second column
        report_syntax_error(run, w.pos);
        return false;
    }
    store_item(w, ref, mark);
    return true;
}

void clear_scan_block(ScanBlock& scan, int start) {
    scan.ISTART = start;
    for (int k = 1; k <= scan.NF && static_cast<std::size_t>(k) < scan.bound_name.size(); ++k)
        scan.bound_name[k].clear();
    scan.NF = 0;
    scan.NOPS = 0;
    scan.NWORDS = 0;
    scan.NFPAR = 0;
    scan.INPAR = 0;
    scan.NEWV = 0;
    scan.list_break = -1;
    scan.filename.clear();
    for (int k = 0; k <= MAXWORDS; ++k) {
        scan.words[k] = BLANK_WORD;
        scan.full_words[k].clear();
    }
}

} // namespace

bool scans_words_only(int ikod) {
    for (int command : WORDS_ONLY_COMMANDS)
        if (command == ikod) return true;
    return false;
}

void init_scan_block(ScanBlock& scan, int maxvar) {
    scan.MAXVAR = maxvar;
    scan.list.assign(2 * static_cast<std::size_t>(maxvar) + 1, 0);
    scan.item_mark.assign(static_cast<std::size_t>(maxvar) + 1, ' ');
    scan.bound_name.assign(static_cast<std::size_t>(maxvar) + 1, std::string());
    clear_scan_block(scan, 0);
}

void SCANIT(Run& run) {
    ScanBlock& scan = run.scan;
    if (scan.MAXVAR != run.ws.MAXVAR || scan.list.size() < 2 * std::size_t(scan.MAXVAR) + 1)
        init_scan_block(scan, run.ws.MAXVAR);
    const std::string& text = run.cmd.text;
    const std::size_t start = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    clear_scan_block(scan, static_cast<int>(start));
    Walk w{run, scan, text, start};

    if (scans_words_only(run.cmd.IKOD)) {
        collect_words(w, true);
    } else {
        const bool unit_command = run.cmd.IKOD >= C_READ && run.cmd.IKOD <= C_WRITE;
        while (w.pos < text.size()) {
            const char c = text[w.pos];
            if (separates(c)) {
                if (c == ';' && scan.list_break < 0) scan.list_break = scan.NF;
                ++w.pos;
            } else if (c == '/') {
                ++w.pos;
                collect_words(w, false);
            } else if (c == '(' && unit_command) {
                if (!unit_reference(w)) break;
            } else if (c == '(' || c == ')') { // no name before it: unbalanced or misplaced
                report_syntax_error(run, w.pos);
                break;
            } else if (!scan_item(w)) {
                break;
            }
        }
    }
    if (run.sw[ODMMP]) dump_scan_block(run);
}

} // namespace tarvex
