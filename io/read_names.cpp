// NAMES: the variable names come from the first line of the file (commas or blanks between
// them, "&" when the list goes on to the next line). Names are cut to 8 characters; names that
// become alike when cut are refused, as a name listed twice is.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
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
};

// Adds the names of one line; true when "&" says the list continues. `delimited` is set when a
// comma or a tab separates names.
bool collect_names(Run& run, std::string_view line, std::vector<HeaderName>& names,
                   bool& delimited) {
    bool continues = false;
    std::string word;
    auto flush = [&]() {
        if (word.empty()) return;
        HeaderName entry{word, word.substr(0, NAME_LENGTH)};
        if (run.sw[OLC]) entry.name = upper_ascii(entry.name);
        names.push_back(std::move(entry));
        word.clear();
    };
    for (char c : line) {
        if (c == '&') {
            continues = true;
            flush();
        } else if (c == ',' || c == '\t') {
            delimited = true;
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

// Lines of at most 130 columns: `lead` and then the items, each followed by ", ".
void write_items(Run& run, const std::string& lead, const std::vector<std::string>& items) {
    std::string line = lead;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string item = items[k] + (k + 1 < items.size() ? "," : "");
        if (line.size() + 1 + item.size() > LINE_WIDTH && line.size() > 1) {
            write_line(run, line);
            line = " ";
        }
        line += " " + item;
    }
    write_line(run, line);
}

// Says which names were cut, and refuses two names that became alike.
bool check_cut_names(Run& run, const std::vector<HeaderName>& names) {
    std::vector<std::string> cut;
    for (const HeaderName& h : names)
        if (h.written.size() > NAME_LENGTH)
            cut.push_back(h.written.substr(0, SHOWN_LENGTH) + " -> " + h.name);
    if (!cut.empty() && notes_on(run))
        write_items(run, " ...NOTE..NAMES CUT TO 8 CHARACTERS:", cut);
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
    while (more) {
        if (!lines.next(line)) break;
        if (notes_on(run)) echo_line(run, line);
        more = collect_names(run, line, header, delimited);
    }
    if (header.empty()) {
        report_error(run, " ...ERROR..NO DATA FOUND");
        return false;
    }
    if (!check_cut_names(run, header)) return false;
    std::vector<std::string> names;
    for (const HeaderName& h : header) names.push_back(h.name);
    int unknown = 0;
    for (const std::string& name : names)
        if (VFIND(run, name) <= 0) ++unknown;
    if (run.ws.NVARS + unknown > run.ws.MAXVAR) {
        report_error(run, " ...ERROR..TOO MANY ROWS OR COLS REQUESTED OR VARIABLE "
                          "NAME ALREADY EXISTS. CHECK NAME IS UNIQUE.");
        return false;
    }
    job.names = std::move(names);
    return true;
}

} // namespace tarvex
