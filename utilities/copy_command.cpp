// COPY old new [old new ...] [/ BEG=b END=e REPLACE]: copies series, matrices and character
// strings under new names. With BEG= and END= only a part is copied: observations b to e of a
// series (the copy is as long as the series and holds the missing code outside b..e), rows b to e
// of a matrix. A new name that already names a variable is refused unless REPLACE is on. Every pair
// is checked before anything is copied.
#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "utilities/utility_commands.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/variable_copy.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Sequences of COPY's own $ERR numbers (the command's slot x 1000 + sequence).
enum CopyError : int {
    COPY_NOT_PAIRS = 1,     // no names, or an old name without its new name
    COPY_NO_VARIABLE = 2,   // the variable to copy does not exist
    COPY_ILLEGAL_NAME = 3,  // the new name is not a name
    COPY_NAME_TAKEN = 4,    // the new name exists and REPLACE is off
    COPY_NAMED_TWICE = 5,   // two copies, or a copy and an original, under one name
    COPY_BAD_RANGE = 6,     // BEG= or END= outside the variable
    COPY_PART_OF_WHOLE = 7, // BEG=/END= on a character string or a packed matrix
};

// clang-format off
const OptionTable COPY_TABLE = {
    {
        //  #  keyword    effect
        "REPLACE",  //  1 switch  a new name may be a variable already: it is overwritten
        "BEG",      //  2 integer first observation (series) or row (matrix) copied
        "END",      //  3 integer last observation or row copied
    },
    1, 2, 0, 0};
// clang-format on

void copy_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
}

// Scans the options after "/" alone: the names before it are not looked up (new ones do not
// exist yet).
bool read_copy_options(Run& run) {
    std::string& text = run.cmd.text;
    const std::size_t start = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    const std::size_t slash = text.find('/', start);
    if (slash == std::string::npos) {
        OptionDefaults defaults(run.opt, COPY_TABLE);
        return true;
    }
    const std::string whole = text;
    text = whole.substr(0, start) + " " + whole.substr(slash);
    run.flags.ONEWV = false;
    scan_statement(run);
    text = whole;
    if (run.flags.OERR) return false;
    OptionDefaults defaults(run.opt, COPY_TABLE);
    return OPTION(run, COPY_TABLE);
}

struct CopyPair {
    int slot = 0;
    std::string old_name, new_name;
};

// Keeps rows first..last of the copy (a series keeps its length, missing outside them).
void cut_copy(VariableCopy& var, long long first, long long last, Real missing_code) {
    if (var.type == TYPE_DATA) {
        std::fill(var.elements.begin(), var.elements.begin() + (first - 1), missing_code);
        std::fill(var.elements.begin() + last, var.elements.end(), missing_code);
        return;
    }
    const long long rows = var.length / var.ncol;
    std::vector<Real> kept;
    for (long long j = 0; j < var.ncol; ++j)
        for (long long i = first; i <= last; ++i)
            kept.push_back(var.elements[std::size_t(j * rows + i - 1)]);
    var.elements = std::move(kept);
    var.length = (last - first + 1) * var.ncol;
}

bool check_copy_range(Run& run, const CopyPair& p, const VarInfo& info, int beg, int end,
                      long long& first, long long& last) {
    const bool series = info.type == TYPE_DATA;
    if (info.type != TYPE_DATA && info.type != TYPE_MATRIX) {
        copy_error(run,
                   "BEG= AND END= SELECT OBSERVATIONS OR ROWS: " + p.old_name + " IS A " +
                       trim_trailing_blanks(std::string(type_description(info.type))),
                   COPY_PART_OF_WHOLE);
        return false;
    }
    const long long rows = series ? info.length : info.length / std::max(info.ncol, 1);
    first = beg > 0 ? beg : 1;
    last = end > 0 ? end : rows;
    if (first > last || last > rows) {
        copy_error(run,
                   "BEG=" + std::to_string(first) + " END=" + std::to_string(last) + ": " +
                       p.old_name + " HAS " + std::to_string(rows) +
                       (series ? " OBSERVATIONS" : " ROWS"),
                   COPY_BAD_RANGE);
        return false;
    }
    return true;
}

// The pairs of the statement, checked; empty after an error line.
std::vector<CopyPair> copy_pairs(Run& run, bool replace) {
    const bool fold = run.sw[OLC];
    const std::vector<std::string> words = statement_words(run, nullptr);
    if (words.empty() || words.size() % 2 != 0) {
        copy_error(run,
                   words.empty() ? "COPY NEEDS PAIRS OF NAMES: COPY old new [old new ...]"
                                 : "NEW NAME FOR " + word8(words.back(), fold) + " NOT GIVEN",
                   COPY_NOT_PAIRS);
        return {};
    }
    std::vector<CopyPair> pairs;
    for (std::size_t at = 0; at < words.size(); at += 2) {
        CopyPair p{0, word8(words[at], fold), word8(words[at + 1], fold)};
        p.slot = VFIND(run, p.old_name);
        if (p.slot <= 0) {
            copy_error(run, "VARIABLE " + p.old_name + " DOES NOT EXIST", COPY_NO_VARIABLE);
            return {};
        }
        p.old_name = trim_trailing_blanks(run.ws.VNAME[p.slot]);
        if (NAMCHK(p.new_name) != 1 || p.new_name.front() == '$') {
            copy_error(run, "ILLEGAL VARIABLE NAME:" + p.new_name, COPY_ILLEGAL_NAME);
            return {};
        }
        const int existing = VFIND(run, p.new_name);
        if (existing != 0 && !replace) {
            copy_error(run, "VARIABLE " + p.new_name + " ALREADY EXISTS (REPLACE OVERWRITES IT)",
                       COPY_NAME_TAKEN);
            return {};
        }
        for (const CopyPair& q : pairs)
            if (q.new_name == p.new_name) {
                copy_error(run,
                           p.new_name + " IS USED TWICE: A NEW NAME MAY NOT BE ANOTHER NEW NAME "
                                        "OR A VARIABLE COPIED BY THE SAME COMMAND",
                           COPY_NAMED_TWICE);
                return {};
            }
        pairs.push_back(p);
    }
    for (const CopyPair& p : pairs)
        for (const CopyPair& q : pairs)
            if (VFIND(run, p.new_name) == q.slot && &p != &q) {
                copy_error(run,
                           p.new_name + " IS USED TWICE: A NEW NAME MAY NOT BE ANOTHER NEW NAME "
                                        "OR A VARIABLE COPIED BY THE SAME COMMAND",
                           COPY_NAMED_TWICE);
                return {};
            }
    return pairs;
}

} // namespace

void cmd_copy(Run& run) {
    if (!read_copy_options(run)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const OptionValues options(run.opt, COPY_TABLE);
    const bool part = options.given("BEG") || options.given("END");
    const std::vector<CopyPair> pairs = copy_pairs(run, options.on("REPLACE"));
    if (pairs.empty()) return;

    std::vector<VariableCopy> copies;
    for (const CopyPair& p : pairs) {
        VarInfo info;
        if (!VINFO(run, p.slot, info)) return;
        VariableCopy var = copy_variable(run, p.slot);
        if (part) {
            long long first = 0, last = 0;
            if (!check_copy_range(run, p, info, options.integer("BEG"), options.integer("END"),
                                  first, last))
                return;
            cut_copy(var, first, last, run.ws.XMISS);
        }
        var.name = p.new_name;
        copies.push_back(std::move(var));
    }
    for (std::size_t k = 0; k < copies.size(); ++k) {
        if (!replace_variable(run, copies[k])) return;
        if (run.flags.OPUT && run.sw[ODMMP])
            write_line(run, " VARIABLE " + pairs[k].old_name + " IS COPIED TO " + copies[k].name);
    }
}

} // namespace tarvex
