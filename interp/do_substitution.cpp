// DOSUB and DOTRAN: every statement replayed by a loop or a procedure has the markers of the
// active levels replaced by their index texts (never in the statement's first column).
#include "interp/do_loops.hpp"

#include "core/error_report.hpp"
#include "interp/do_parts.hpp"
#include "interp/interp_errors.hpp"

#include <array>

namespace tarvex {

namespace {

constexpr std::size_t SUBSTITUTED_ECHO_WIDTH = 127;

// The number of levels whose markers apply: the procedure levels, or for a file loop 2 while
// the inner loop has a value and 1 otherwise.
int active_levels(const Run& run) {
    if (procedure_running(run)) return run.loops.levels;
    return index_scalar(run, 2) != DO_FINISHED ? 2 : 1;
}

// The substituted-command echo: the innermost marker, "_" and the command, 127 characters to
// a line.
void echo_substituted(Run& run, char marker, const std::string& text) {
    std::string line = std::string(" ") + marker + "_";
    line += text.substr(0, SUBSTITUTED_ECHO_WIDTH);
    write_line(run, line);
    for (std::size_t at = SUBSTITUTED_ECHO_WIDTH; at < text.size(); at += SUBSTITUTED_ECHO_WIDTH)
        write_line(run, std::string(" ") + marker + " " + text.substr(at, SUBSTITUTED_ECHO_WIDTH));
}

// Replaces every marker of `level_of` after the first column by its level's index text; false,
// after the error, when the statement would grow past LINMAX.
bool replace_markers(Run& run, std::string& text, const std::array<int, 256>& level_of,
                     const std::array<std::string, MAX_PROC_LEVELS + 2>& index_text) {
    long long length = static_cast<long long>(text.size());
    long long found = 0;
    for (std::size_t at = 1; at < text.size(); ++at) {
        if (int k = level_of[static_cast<unsigned char>(text[at])]) {
            length += static_cast<long long>(index_text[k].size()) - 1;
            ++found;
        }
    }
    if (length > LINMAX) {
        // Reported between statements: the reader drops the statement, no command is running.
        report_error(run, " ...ERROR..STATEMENT TOO LONG AFTER DO SUBSTITUTION",
                     DO_SUBSTITUTION_TOO_LONG, ErrorSeverity::CONTINUES);
        return false;
    }
    if (found == 0) return true;
    std::string out;
    out.reserve(static_cast<std::size_t>(length));
    out += text[0];
    for (std::size_t at = 1; at < text.size(); ++at) {
        if (int k = level_of[static_cast<unsigned char>(text[at])])
            out += index_text[k];
        else
            out += text[at];
    }
    text = std::move(out);
    return true;
}

} // namespace

std::string DOTRAN(long long value) {
    if (value == NO_INDEX_VALUE) return {};
    return std::to_string(value);
}

bool substitution_active(const Run& run) {
    return run.loops.replaying || run.loops.levels > 0;
}

bool DOSUB(Run& run, std::string& text) {
    const LoopState& L = run.loops;
    const int levels = active_levels(run);
    std::array<int, 256> level_of{}; // marker character -> level (0: not a marker)
    std::array<std::string, MAX_PROC_LEVELS + 2> index_text;
    char innermost = ' ';
    for (int k = 1; k <= levels; ++k) {
        const char m = L.marker[k];
        if (m == ' ') continue;
        index_text[k] = DOTRAN(L.LOOP[k]);
        level_of[static_cast<unsigned char>(m)] = k;
        innermost = m;
    }
    if (innermost != ' ' && !replace_markers(run, text, level_of, index_text)) return false;
    // Every replayed command is shown as it runs, whether or not a marker was replaced (a
    // procedure level without a loop shows a blank marker).
    if (run.sw[ODECHO]) echo_substituted(run, innermost, text);
    return true;
}

} // namespace tarvex
