// NAMES: the variable names come from the first line of the file (commas or blanks between
// them, "&" when the list goes on to the next line). Names are cut to 8 characters; names that
// become alike when cut are refused, as a name listed twice is. Between commas or tabs every
// field names one column: an empty field or a name with a blank in it is refused.
#include "core/error_report.hpp"
#include "core/item_lines.hpp"
#include "core/run.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "io/record_scan.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <unordered_map>

namespace tarvex {

namespace {

constexpr std::size_t ECHO_WIDTH = 129;
constexpr std::size_t NAME_LENGTH = 8;
constexpr std::size_t SHOWN_LENGTH = 40; // of a header name in a message

void echo_line(Run& run, std::string_view line) {
    for (std::size_t at = 0; at < line.size() || at == 0; at += ECHO_WIDTH) {
        write_line(run, " " + std::string(line.substr(at, ECHO_WIDTH)));
        if (line.size() <= ECHO_WIDTH) break;
    }
}

// One name of the header: as written, and as the variable table will hold it.
struct HeaderName {
    std::string written;
    std::string name;
    long column = 0;           // 1 for the first name of the header
    bool quoted_empty = false; // written as "" (the row-name column of a data frame export)
};

// One header name as the variable table will hold it: cut to 8 characters, upper case unless
// lower case is switched on.
HeaderName header_name(Run& run, std::string word, long column) {
    HeaderName entry{std::move(word), {}, column};
    entry.name = entry.written.substr(0, NAME_LENGTH);
    if (run.sw[OLC]) entry.name = upper_ascii(entry.name);
    return entry;
}

// A header line that holds a comma or a tab: each field between two delimiters names one
// column, so a field with no name, or with a blank inside its name, is kept as it is (and
// refused later) rather than dropped or split, which would move every later name a column.
void collect_delimited_names(Run& run, std::string_view line, std::vector<HeaderName>& names,
                             long& column) {
    const char delimiter = line.find('\t') != std::string_view::npos ? '\t' : ',';
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = delimiter_outside_quotes(line, delimiter, start);
        std::string_view field =
            line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        field = trim_blanks_tabs_and_returns_view(field);
        const bool quoted_empty = field == "\"\"";
        if (field.size() >= 2 && (field.front() == '"' || field.front() == '\'') &&
            field.back() == field.front())
            field = trim_blanks_tabs_and_returns_view(field.substr(1, field.size() - 2));
        names.push_back(header_name(run, std::string(field), ++column));
        names.back().quoted_empty = quoted_empty;
        if (at == std::string_view::npos) return;
        start = at + 1;
    }
}

// Adds the names of one line; true when "&" says the list continues. `delimited` is set when a
// comma or a tab separates names. `column` counts the header's columns so far.
bool collect_names(Run& run, std::string_view line, std::vector<HeaderName>& names, bool& delimited,
                   long& column) {
    line = trim_blanks_tabs_and_returns_view(line);
    bool continues = false;
    if (!line.empty() && line.back() == '&') {
        continues = true;
        line = trim_blanks_tabs_and_returns_view(line.substr(0, line.size() - 1));
    }
    if (line.find_first_of(",\t") != std::string_view::npos) {
        delimited = true;
        collect_delimited_names(run, line, names, column);
        return continues;
    }
    std::string word;
    auto flush = [&]() {
        if (word.empty()) return;
        names.push_back(header_name(run, std::move(word), ++column));
        word.clear();
    };
    for (char c : line) {
        if (c == '&') {
            continues = true;
            flush();
        } else if (c == ' ' || c == '\r' || c == '"' || c == '\'') {
            flush();
        } else {
            word += c;
        }
    }
    flush();
    return continues;
}

// Refuses a delimited header with a column that has no name or a name holding a blank: its
// data would be read under the wrong names. Empty fields after the last name (a separator at
// the end of the line) are dropped, as are empty fields before the first name when SKIPCOLS
// passes over the leading columns of the data.
bool check_header_columns(Run& run, std::vector<HeaderName>& names, bool skipping_columns) {
    while (!names.empty() && names.back().written.empty()) names.pop_back();
    // A first column headed "" holds row names (as a data frame's export writes them): it is
    // passed over as SKIPCOLS=1 would pass it.
    if (!skipping_columns && names.size() > 1 && names.front().quoted_empty) {
        names.erase(names.begin());
        run.opt.iv[RV_SKIPCOLS] = 1;
        if (notes_on(run))
            write_line(run, " ...NOTE..COLUMN 1 HAS THE EMPTY NAME \"\" (ROW NAMES): PASSED OVER");
    }
    std::size_t first = 0;
    if (skipping_columns)
        while (first < names.size() && names[first].written.empty()) ++first;
    names.erase(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(first));
    for (const HeaderName& h : names) {
        const std::string column = std::to_string(h.column);
        if (h.written.empty()) {
            report_error(run, " ...ERROR..COLUMN " + column + " OF THE HEADER HAS NO NAME",
                         ERR_READ_HEADER_NAME);
        } else if (h.written.find_first_of(" \t") != std::string::npos) {
            report_error(run,
                         " ...ERROR..THE NAME IN COLUMN " + column + " OF THE HEADER HOLDS A " +
                             "BLANK: " + h.written.substr(0, SHOWN_LENGTH),
                         ERR_READ_HEADER_NAME);
        } else {
            continue;
        }
        write_line(run, " ...NOTE..NAME EVERY COLUMN WITH ONE WORD (SUCH AS INCOME_2019); LEADING "
                        "COLUMNS WITHOUT NAMES ARE PASSED OVER WITH SKIPCOLS=n");
        return false;
    }
    return true;
}

// Says which names were cut, and refuses two names that became alike.
bool check_cut_names(Run& run, const std::vector<HeaderName>& names) {
    std::vector<std::string> cut;
    for (const HeaderName& h : names)
        if (h.written.size() > NAME_LENGTH)
            cut.push_back(h.written.substr(0, SHOWN_LENGTH) + " -> " + h.name);
    if (!cut.empty() && notes_on(run))
        write_item_lines(run, " ...NOTE..NAMES CUT TO 8 CHARACTERS:", cut);
    std::unordered_map<std::string, std::size_t> seen;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const auto [at, fresh] = seen.emplace(padded_name(names[k].name, run.sw[OLC]), k);
        if (fresh) continue;
        const HeaderName& first = names[at->second];
        const std::string shown = upper_ascii(names[k].name);
        report_error(run, " ...ERROR.." + shown + " IS IN READ COMMAND MORE THAN ONCE",
                     ERR_READ_HEADER_TWICE, ErrorSeverity::SERIOUS);
        if (first.written != names[k].written)
            write_line(run, " ...NOTE..THE FILE NAMES " + first.written.substr(0, SHOWN_LENGTH) +
                                " AND " + names[k].written.substr(0, SHOWN_LENGTH) +
                                ", ALIKE IN THEIR FIRST 8 CHARACTERS");
        return false;
    }
    return true;
}

} // namespace

bool read_names_line(ReadJob& job, DataLines& lines, bool& delimited) {
    Run& run = job.run;
    std::string_view line;
    std::vector<HeaderName> header;
    delimited = false;
    bool more = true;
    long column = 0;
    while (more) {
        if (!lines.next(line)) break;
        if (notes_on(run)) echo_line(run, line);
        more = collect_names(run, line, header, delimited, column);
    }
    if (delimited && !check_header_columns(run, header, run.opt.iv[RV_SKIPCOLS] > 0)) return false;
    if (header.empty()) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    if (!check_cut_names(run, header)) return false;
    std::vector<std::string> names;
    for (const HeaderName& h : header) names.push_back(h.name);
    int unknown = 0;
    for (const std::string& name : names)
        if (VFIND(run, name) <= 0) ++unknown;
    if (run.ws.NVARS + unknown > run.ws.MAXVAR) {
        report_error(run,
                     " ...ERROR..TOO MANY ROWS OR COLS REQUESTED OR VARIABLE "
                     "NAME ALREADY EXISTS. CHECK NAME IS UNIQUE.",
                     ERR_READ_NAMES_TABLE);
        return false;
    }
    job.names = std::move(names);
    return true;
}

} // namespace tarvex
