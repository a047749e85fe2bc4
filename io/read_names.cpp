// NAMES: the variable names come from the first line of the file (commas or blanks between
// them, "&" when the list goes on to the next line).
#include "interp/run.hpp"
#include "interp/error_report.hpp"
#include "io/read_internal.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr std::size_t ECHO_WIDTH = 129;
constexpr std::size_t NAME_LENGTH = 8;

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

void echo_line(Run& run, std::string_view line) {
    for (std::size_t at = 0; at < line.size() || at == 0; at += ECHO_WIDTH) {
        write_line(run, " " + std::string(line.substr(at, ECHO_WIDTH)));
        if (line.size() <= ECHO_WIDTH) break;
    }
}

// Adds the names of one line; true when "&" says the list continues.
bool collect_names(Run& run, std::string_view line, std::vector<std::string>& names) {
    bool continues = false;
    std::string word;
    auto flush = [&]() {
        if (word.empty()) return;
        if (word.size() > NAME_LENGTH) word.resize(NAME_LENGTH);
        if (run.sw[OLC]) std::transform(word.begin(), word.end(), word.begin(), upper);
        names.push_back(word);
        word.clear();
    };
    for (char c : line) {
        if (c == '&') {
            continues = true;
            flush();
        } else if (c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '"' || c == '\'') {
            flush();
        } else {
            word += c;
        }
    }
    flush();
    return continues;
}

} // namespace

bool read_names_line(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    std::string_view line;
    std::vector<std::string> names;
    bool more = true;
    while (more) {
        if (!lines.next(line)) break;
        if (notes_on(run)) echo_line(run, line);
        more = collect_names(run, line, names);
    }
    if (names.empty()) {
        report_error(run, " ...ERROR..NO DATA FOUND");
        return false;
    }
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
