// The NAMES command: lists the workspace names nine to a line, or describes the variables named
// (type, length, columns) and leaves the last one's size in $ROWS and $COLS.
#include "workspace/workspace.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/data_bank.hpp"

#include <string>

namespace tarvex {

namespace {

inline constexpr int NAMES_PER_LINE = 9;

// The printed name of a reference: the slot's name, or "$" and the result scalar's name.
std::string reference_name(const Run& run, int ref) {
    if (ref < MARK_BASE) ref = MARK_BASE - ref;
    if (ref < 0) return first_8_padded(std::string("$") + RESULT_NAMES[-ref - 1]);
    const Workspace& ws = run.ws;
    if (ref > 2 * ws.MAXVAR) {
        int col = ref % ws.MXCOL;
        if (col == 0) col = ws.MXCOL;
        ref = (ref - col) / ws.MXCOL;
    }
    if (ref < 1 || ref > ws.MAXVAR) return first_8_padded("");
    return first_8_padded(ws.VNAME[ref]);
}

// " X           1000 ROWS FROM OBS       1  FILE big.bin"
std::string bound_series_line(const std::string& name, const BoundSeries& series) {
    return " " + first_8_padded(name) + fmt_I(series.rows, 12) + " ROWS FROM OBS" +
           fmt_I(series.first_observation, 8) + "  FILE " + series.file;
}

void list_all_names(Run& run) {
    const Workspace& ws = run.ws;
    std::string line = " ";
    int on_line = 0;
    for (int slot = 1; slot <= ws.NVARS; ++slot) {
        if (ws.VNAME[slot].find_first_not_of(' ') == std::string::npos) continue; // a hole
        line += first_8_padded(ws.VNAME[slot]) + " ";
        if (++on_line == NAMES_PER_LINE) {
            write_line(run, line);
            line = " ";
            on_line = 0;
        }
    }
    if (on_line > 0) write_line(run, line);
    if (ws.bound.empty()) return;
    write_line(run, " SERIES BOUND TO FILES ON DISK (NOT IN MEMORY):");
    for (const auto& [name, series] : ws.bound) write_line(run, bound_series_line(name, series));
}

// Under "?" (OPUT off) nothing is printed but $ROWS and $COLS are still set.
void describe_listed(Run& run) {
    const bool print = run.flags.OPUT;
    if (print) write_line(run, " VARIABLE    TYPE            LENGTH  COLUMNS");
    for (int item = 1; item <= run.scan.NF; ++item) {
        const int ref = run.scan.list[item];
        if (run.scan.is_bound(item)) {
            const BoundSeries* series = find_bound_series(run, run.scan.bound_name[item]);
            if (print && series != nullptr)
                write_line(run, bound_series_line(upper_ascii(run.scan.bound_name[item]), *series));
            continue;
        }
        if (ref == 0) continue;
        VarInfo info;
        if (!VINFO(run, ref, info)) continue;
        if (print)
            write_line(run, " " + reference_name(run, ref) + "  " +
                                std::string(type_description(info.type)) + fmt_I(info.length, 6) +
                                fmt_I(info.ncol, 6));
        // Symmetric and triangular matrices are square: their rows are their columns.
        const bool square = info.type == TYPE_SYMMETRIC || info.type == TYPE_TRIANGLE;
        const long long rows = square ? info.ncol : (info.ncol > 0 ? info.length / info.ncol : 0);
        run.res[R_ROWS] = rows;
        run.res[R_COLS] = info.ncol;
    }
}

} // namespace

void cmd_names(Run& run) {
    if (run.scan.NF == 0) {
        if (run.flags.OPUT) list_all_names(run);
    } else {
        describe_listed(run);
    }
    if (run.sw[ODB] && run.flags.OPUT) list_data_bank(run);
}

} // namespace tarvex
