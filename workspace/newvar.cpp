// NEWVAR: creates a variable or enlarges it (keep, grow in place, move to a hole or the end),
// with the reports for an exhausted work area (NOCORE) and a full variable table.
#include "workspace/workspace.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"

#include <algorithm>

namespace tarvex {

namespace {

inline constexpr int ERR_COLUMN_ABOVE_MXCOL = 1015;

// The one-shot options of NEWVAR return to their defaults whenever it returns.
struct OneShotReset {
    Workspace& ws;
    ~OneShotReset() {
        ws.OZVR = true;
        ws.OATEN = false;
        ws.ONVAR = false;
    }
};

void write_header(Workspace& ws, long long addr, int inc, int type, long long length, int ncol) {
    ws.DATA[addr] = inc;
    ws.DATA[addr + inc] = type;
    ws.DATA[addr + 2 * inc] = length;
    ws.DATA[addr + 3 * inc] = ncol;
}

// Old state of a slot released in step 3, so that a failed creation can give it back.
struct Released {
    bool done = false;
    int slot = 0;
    long long addr = 0;
    int inc = 1;
    long long length = 0;
    int nvars = 0, ndl = 0;
    long long lasadd = 0;
    std::string name;
};

void undo_release(Workspace& ws, const Released& old) {
    if (!old.done) return;
    ws.NVARS = old.nvars;
    ws.NDL = old.ndl;
    ws.LASADD = old.lasadd;
    ws.VNAME[old.slot] = old.name;
}

// Step 8: the reference of the slot, or of the requested column.
int reference_for(Run& run, int slot, int col) {
    Workspace& ws = run.ws;
    if (col > ws.MXCOL) {
        report_error(run,
                     " ...ERROR..MAXCOLON=" + fmt_I(ws.MXCOL, 10) + " SO" + fmt_I(col, 10) +
                         " IS INVALID",
                     ERR_COLUMN_ABOVE_MXCOL);
        write_line(run, "   USE SET MAXCOLON=XXXX TO INCREASE RANGE");
        return slot;
    }
    return col > 1 ? col + ws.MXCOL * slot : slot;
}

} // namespace

void NOCORE(Run& run) {
    const Workspace& ws = run.ws;
    const long long shortfall = ws.NEED - ws.MAXADD;
    const long long par_needed = (ws.NAR + ws.NBYTES * shortfall) / 1024 + 1;
    report_error(run,
                 " ...ERROR..INSUFFICIENT MEMORY. AT LEAST" + fmt_I(shortfall, 16) +
                     " MORE WORDS NEEDED",
                 shared_error::WORK_AREA_FULL, ErrorSeverity::SERIOUS);
    write_line(run, "    THIS REQUIRES AT LEAST PAR=" + fmt_I(par_needed, 8) +
                        " CURRENT PAR=" + fmt_I(ws.NAR / 1024, 8));
    if (ws.NDL > 0) write_line(run, " ...NOTE..TRY COMPRESS COMMAND TO RECOVER UNUSED SPACE");
}

void variable_limit_report(Run& run) {
    const Workspace& ws = run.ws;
    write_line(run, " VARIABLE LIMIT IS" + fmt_I(ws.MAXVAR, 7) + " RUN AGAIN WITH HIGHER LIMIT");
    if (ws.NDL > 0)
        write_line(run, " .. USE COMPRESS COMMAND TO RECOVER" + fmt_I(ws.NDL, 4) + " UNUSED VARS");
    report_error(run, "", 0, ErrorSeverity::SERIOUS);
}

void NEWVAR(Run& run, std::string_view name, int inc, int type, long long length, int ncol,
            int& ref) {
    Workspace& ws = run.ws;
    OneShotReset restore_options{ws};
    const int col = ref;
    ref = 0;

    // 1. Fill value.
    const std::string stored = padded_name(name, run.sw[OLC]);
    const bool is_skip = padded_name(name, true) == padded_name("SKIP$", false);
    const Real fill = (run.cmd.IKOD == C_DIMENSIO || is_skip) ? Real(0) : ws.XMISS;

    // 2. Column request: a short vector grows to the column; a longer one becomes a matrix
    //    whose given length is the row count.
    if (type < TYPE_SYMMETRIC && col > 1) {
        if (length < 2) {
            length = std::max<long long>(length, col);
        } else if (type == TYPE_DATA) {
            type = TYPE_MATRIX;
            ncol = std::max(ncol, col);
            length *= ncol;
        }
    }

    // 3. An existing variable of that name.
    Released old;
    const int found = VFIND(run, name);
    if (found > 0) {
        VarInfo info;
        VINFO(run, found, info);
        const bool reusable = !ws.OATEN && info.inc >= 0 && !(ws.ONVAR && info.inc >= 2);
        if (reusable && info.addr > 0) {
            const long long step = std::max(info.inc, 1);
            if (col > 1) {
                const long long have_rows = info.ncol > 0 ? info.length / info.ncol : 0;
                const long long want_rows = ncol > 0 ? length / ncol : length;
                if (have_rows < want_rows) {
                    report_error(run,
                                 " ...ERROR..NO ROOM FOR ALL DATA AT COLUMN " + fmt_I(col, 4) +
                                     " OF " + std::string(name),
                                 shared_error::NO_ROOM_AT_COLUMN);
                }
            }
            if (info.length >= length) {
                // Keep the storage and its contents.
                if (type != TYPE_CHAR_STRING && info.inc > 0) ws.DATA[info.addr + step] = type;
                ref = reference_for(run, found, col);
                return;
            }
            const long long limit = found == ws.NVARS ? ws.MAXADD + 1 : ws.KADD[found + 1];
            if (info.inc > 0 && info.addr + (3 + length) * step < limit) {
                // Grow in place: the words up to the next record are free.
                if (found == ws.NVARS) ws.LASADD = info.addr + 3 + length;
                write_header(ws, info.addr, info.inc, type, length, ncol);
                for (long long k = info.length + 1; k <= length; ++k)
                    ws.DATA[info.addr + (3 + k) * step] = fill;
                ref = reference_for(run, found, col);
                return;
            }
            // Release the old slot; its elements are carried over in step 7.
            old = Released{true,     found,  info.addr, info.inc,       info.length,
                           ws.NVARS, ws.NDL, ws.LASADD, ws.VNAME[found]};
            ws.VNAME[found].assign(ws.VNAME[found].size(), ' ');
            if (found == ws.NVARS && info.inc < 2 && ws.LASADD <= info.addr + info.length + 6) {
                ws.LASADD = info.addr - 1;
                ws.NVARS -= 1;
            } else {
                ws.NDL += 1;
            }
        }
    }

    // 4. Re-use the first hole large enough.
    int slot = 0;
    if (!ws.OATEN && ws.OZVR && ws.NDL >= (old.done ? 2 : 1)) {
        for (int hole = 1; hole <= ws.NVARS; ++hole) {
            if (ws.VNAME[hole].find_first_not_of(' ') != std::string::npos) continue;
            const long long addr = ws.KADD[hole];
            if (addr < 1 || addr + 3 > ws.MAXADD) continue;
            if (ws.DATA[addr] == 1 && ws.DATA[addr + 2] >= length) {
                slot = hole;
                ws.NDL -= 1;
                break;
            }
        }
    }

    // 5. Otherwise append after the last record.
    if (slot == 0) {
        if (ws.NVARS + 1 > ws.MAXVAR) {
            undo_release(ws, old);
            variable_limit_report(run);
            return;
        }
        const long long need = ws.LASADD + 4 + length;
        if (need > ws.MAXADD) {
            ws.NEED = need;
            undo_release(ws, old);
            NOCORE(run);
            return;
        }
        ws.NVARS += 1;
        slot = ws.NVARS;
        ws.KADD[slot] = ws.LASADD + 1;
        ws.LASADD = need;
    }

    // 6. Name and header; elements that step 7 carries over are not filled first, since a
    //    dropped last slot is re-appended at its own address.
    const long long addr = ws.KADD[slot];
    ws.VNAME[slot] = stored;
    ws.bound.erase(stored); // a name held in memory is no longer bound to a file (a file GENR
                            // wrote stays to the end of the run: READ may be loading it)
    const long long carried = old.done ? std::min(old.length, length) : 0;
    if (ws.OZVR) {
        write_header(ws, addr, inc, type, length, ncol);
        const long long step = std::max(inc, 1);
        for (long long k = carried + 1; k <= length; ++k) ws.DATA[addr + (3 + k) * step] = fill;
    }

    // 7. Carry the old elements over.
    if (old.done) {
        const long long old_step = std::max(old.inc, 1);
        const long long step = std::max(inc, 1);
        for (long long k = 1; k <= carried; ++k)
            ws.DATA[addr + (3 + k) * step] = ws.DATA[old.addr + (3 + k) * old_step];
    }

    // 8. Reference.
    ref = reference_for(run, slot, col);
}

void fit_variable_shape(Run& run, int ref, long long length, int ncol) {
    Workspace& ws = run.ws;
    if (ref < 1 || ref > ws.NVARS) return;
    VarInfo info;
    if (!VINFO(run, ref, info) || info.inc != 1 || info.addr <= 0) return;
    if (info.length < length || (info.length == length && info.ncol == ncol)) return;
    write_header(ws, info.addr, info.inc, info.type, length, ncol);
    if (ref == ws.NVARS) ws.LASADD = info.addr + 3 + length;
}

} // namespace tarvex
