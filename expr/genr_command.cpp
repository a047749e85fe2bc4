// The command driver of GENR, GEN1, IF, IF1, SKIPIF and ENDIF: sample and space checks, the
// compiler, SKIP$ for SKIPIF, the new target placed after the last used word, TRANS, and the
// commit of the new target once the run has succeeded.
#include "expr/genr_command.hpp"
#include "expr/program.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "expr/expr_errors.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <climits>

namespace tarvex {

namespace {

using namespace expr;

// Smallest program worth compiling: two instructions.
inline constexpr long long MIN_PROGRAM_INTEGERS = 8;
// Integers of the program held by one 16-byte word of the work area.
inline constexpr long long INTEGERS_PER_WORD = 4;

CompileRequest request_for(int ikod) {
    CompileRequest request;
    switch (ikod) {
    case C_IF:
    case C_IF1:
        request.form = Form::IF;
        break;
    case C_SKIPIF:
        request.form = Form::CONDITION;
        request.condition_kind = KIND_SKIPIF;
        break;
    case C_ENDIF:
        request.form = Form::CONDITION;
        request.condition_kind = KIND_ENDIF;
        break;
    default:
        request.form = Form::ASSIGN;
        break;
    }
    return request;
}

// A new target without a column: its record is written after the last used word but not yet
// committed (LASADD and NVARS stay) until the run succeeds.
struct PendingTarget {
    bool active = false;
    int slot = 0;
    long long addr = 0;
    long long length = 0;
};

PendingTarget place_new_target(Run& run, int slot, long long length) {
    Workspace& ws = run.ws;
    PendingTarget target{true, slot, ws.LASADD + 1, length};
    ws.KADD[slot] = target.addr;
    ws.DATA[target.addr] = 1; // INC
    ws.DATA[target.addr + 1] = TYPE_DATA;
    ws.DATA[target.addr + 2] = length; // LENGTH
    ws.DATA[target.addr + 3] = 1;      // NCOL
    std::fill(ws.DATA + target.addr + 4, ws.DATA + target.addr + 4 + length, Real(0));
    return target;
}

// A target written name:column needs its variable to hold that column.
bool prepare_column_target(Run& run, Program& program, long long length) {
    const int col = program.target_col;
    if (col <= 1) return true;
    if (!program.ONEWV) {
        VarInfo info;
        const int slot = (program.LHS - col) / run.ws.MXCOL;
        if (!VINFO(run, slot, info)) return false;
        if (info.type != TYPE_DATA || info.ncol != 1 || info.length < 2) return true;
        length = info.length; // a data vector becomes the first column of a matrix
    }
    int ref = col;
    NEWVAR(run, program.target_name, 1, TYPE_DATA, length, 1, ref);
    if (ref == 0 || run.flags.ODONT) return false;
    program.ONEWV = false;
    program.LHS = ref;
    program.vars[1] = ref;
    return true;
}

} // namespace

void cmd_genr(Run& run) {
    run_genr(run, nullptr);
}

void run_genr(Run& run, OutsideSeriesGenr* outside) {
    const int ikod = run.cmd.IKOD;
    const bool single = ikod == C_GEN1 || ikod == C_IF1;
    // 1. The check range.
    TransRange range;
    range.single = single;
    range.first = single ? 1 : run.smpl.IBEG;
    range.last = single ? 1 : run.smpl.IEND;
    // 2. A sample is needed.
    if (range.last < 1 || range.first < 1) {
        report_error(run, " ...ERROR..SAMPLE RANGE HAS NOT YET BEEN DEFINED",
                     command_error_number(run, expr::EXPR_NO_SAMPLE), ErrorSeverity::SERIOUS);
        return;
    }
    // 3. Space for a new target, the cells and the program. A GENR that may read series bound
    // to a file places no target before it knows whether it reads one (checked after compiling).
    Workspace& ws = run.ws;
    if (ikod != C_GENR || ws.bound.empty()) outside = nullptr;
    const long long target_words = outside != nullptr ? 0 : range.last + 4;
    long long need = ws.LASADD + target_words + 2 + 2LL * ws.MAXVAR;
    if (need > ws.MAXADD) {
        ws.NEED = need;
        NOCORE(run);
        return;
    }
    const long long capacity = (ws.MAXADD - need) * INTEGERS_PER_WORD;
    if (capacity < MIN_PROGRAM_INTEGERS) {
        report_error(run, " ...ERROR..DISASTER..GENR SPACE SHORTAGE, RAISE SIZE COMMAND",
                     command_error_number(run, expr::EXPR_SPACE_SHORTAGE), ErrorSeverity::SERIOUS);
        return;
    }
    // 4. Compile.
    CompileRequest request = request_for(ikod);
    request.MXGE = static_cast<int>(std::min<long long>(capacity, INT_MAX / 2));
    if (outside != nullptr)
        request.outside_name = [&run, outside](std::string_view name) {
            return outside->reference(run, name);
        };
    const std::string_view text =
        std::string_view(run.cmd.text)
            .substr(std::min<std::size_t>(static_cast<std::size_t>(std::max(run.cmd.col, 0)),
                                          run.cmd.text.size()));
    Program program;
    if (!GENR(run, text, request, program)) return;
    if (outside != nullptr && outside->used()) {
        outside->run(run, program, range);
        return;
    }
    if (outside != nullptr) {
        // In memory after all: the space a new target needs, and the program's own capacity.
        const long long full = ws.LASADD + range.last + 4 + 2 + 2LL * ws.MAXVAR;
        const long long room =
            std::min<long long>((ws.MAXADD - full) * INTEGERS_PER_WORD, INT_MAX / 2);
        if (full <= ws.MAXADD && room < MIN_PROGRAM_INTEGERS) {
            report_error(run, " ...ERROR..DISASTER..GENR SPACE SHORTAGE, RAISE SIZE COMMAND",
                         command_error_number(run, expr::EXPR_SPACE_SHORTAGE),
                         ErrorSeverity::SERIOUS);
            return;
        }
        if (full <= ws.MAXADD && program.MGE() > room - 3) {
            report_error(run, " ...ERROR..DISASTER...GENR TABLE FULL, INCREASE PAR",
                         command_error_number(run, expr::EXPR_TABLE_FULL), ErrorSeverity::SERIOUS);
            return;
        }
    }
    // Variables fetched from the data bank while compiling take words after the last used one.
    if (ws.LASADD + range.last + 4 + 2 + 2LL * ws.MAXVAR > ws.MAXADD) {
        ws.NEED = ws.LASADD + range.last + 4 + 2 + 2LL * ws.MAXVAR;
        NOCORE(run);
        return;
    }
    // 5. SKIPIF marks observations in SKIP$.
    if (ikod == C_SKIPIF) {
        run.sw[OSKIP] = true;
        const SkipCodes skip = skip_codes(run);
        if ((!skip || skip.length < range.last) &&
            !make_skip_variable(run, std::max<long long>(skip.length, range.last)))
            return;
    }
    // 6. A new target.
    if (!prepare_column_target(run, program, range.last)) return;
    PendingTarget pending;
    if (program.ONEWV) pending = place_new_target(run, program.LHS, range.last);
    // 7. Run, then commit the new target.
    if (program.MGE() == 0) return;
    const TransResult result = TRANS(run, program, range);
    if (pending.active) {
        if (result.ok) {
            ws.VNAME[pending.slot] = padded_name(program.target_name, run.sw[OLC]);
            ws.bound.erase(ws.VNAME[pending.slot]); // in memory now, no longer bound to a file
            ws.LASADD = pending.addr + 3 + pending.length;
            ws.NVARS = std::max(ws.NVARS, pending.slot);
        } else {
            ws.KADD[pending.slot] = 0;
        }
    }
    if ((ikod == C_IF || ikod == C_IF1) && result.ok && result.ONOTIF) run.flags.if_false = true;
    if (ikod == C_ENDIF && result.endif_true) {
        // The target reference is marked -12345: the command loop ends the innermost DO loop.
        run.flags.endif_hit = true;
    }
}

} // namespace tarvex
