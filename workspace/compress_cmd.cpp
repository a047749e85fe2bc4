// COMPRESS (part of routine SAVEX): removes the holes that deletion and relocation leave in the
// work area. Variables move down in their order; positions found by name (such as LSKIP of
// SKIP$) follow them.
#include "workspace/maintenance.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/workspace_errors.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Words a record occupies: its header and elements for an ordinary record (its surplus words,
// left when it re-used a larger hole, are dropped); otherwise everything up to the next record.
long long record_words(const Workspace& ws, int slot) {
    const long long addr = ws.KADD[slot];
    const long long extent = (slot == ws.NVARS ? ws.LASADD + 1 : ws.KADD[slot + 1]) - addr;
    if (ws.DATA[addr] == 1) return std::min(extent, 4 + static_cast<long long>(ws.DATA[addr + 2]));
    return extent;
}

} // namespace

CompactionResult compact_workspace(Run& run) {
    Workspace& ws = run.ws;
    const int old_nvars = ws.NVARS;
    const long long old_lasadd = ws.LASADD;
    int kept = 0;
    long long next_free = 1;
    for (int slot = 1; slot <= old_nvars; ++slot) {
        if (is_hole(run, slot)) continue;
        const long long from = ws.KADD[slot];
        const long long words = from > 0 ? record_words(ws, slot) : 0;
        ++kept;
        if (from > 0 && from != next_free)
            std::copy(&ws.DATA[from], &ws.DATA[from] + words, &ws.DATA[next_free]);
        ws.KADD[kept] = from > 0 ? next_free : 0;
        if (kept != slot) ws.VNAME[kept] = ws.VNAME[slot];
        next_free += words;
    }
    for (int slot = kept + 1; slot <= old_nvars; ++slot) {
        ws.VNAME[slot].assign(ws.VNAME[slot].size(), ' ');
        ws.KADD[slot] = 0;
    }
    ws.NVARS = kept;
    ws.NDL = 0;
    ws.LASADD = next_free - 1;
    return {old_nvars - kept, old_lasadd - ws.LASADD};
}

void cmd_compress(Run& run) {
    if (replaying_statements(run)) {
        report_error(run, " ...ERROR..COMPRESS NOT ALLOWED IN DO-LOOPS OR PROCS", COMPRESS_IN_LOOP);
        return;
    }
    if (run.ws.NDL == 0) {
        if (run.flags.OPUT) write_line(run, " ...NOTE..ALL VARIABLES ARE CURRENTLY COMPRESSED");
        return;
    }
    const CompactionResult done = compact_workspace(run);
    if (run.flags.OPUT)
        write_line(run, " ...NOTE..COMPRESS RECOVERED" + fmt_I(done.slots_removed, 5) +
                            " VARIABLES WITH" + fmt_I(done.words_regained * run.ws.NBYTES, 10) +
                            " BYTES");
}

} // namespace tarvex
