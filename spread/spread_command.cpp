// SPREAD: gathers the series of the scanned list (or every data series) at the sample's
// observations, then either prints them through PRINT's listing or edits them at the terminal.
#include "spread/spread_command.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "io/print_write.hpp"
#include "numeric/text.hpp"
#include "spread/spread_terminal.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <unistd.h>

namespace tarvex {

namespace {

constexpr int SPREAD_NO_SERIES = 1;
constexpr int SPREAD_NO_OBSERVATIONS = 2;
constexpr int SPREAD_NOT_SERIES = 3;
constexpr int SPREAD_PAGE_ROWS = 20;

// The name a reference shows in the table's header (a column reference: its matrix's name).
std::string spread_name(const Run& run, int ref) {
    const int slot = reference_slot(run.ws, ref);
    if (slot < 1 || std::size_t(slot) >= run.ws.VNAME.size()) return "?";
    return trim_trailing_blanks(run.ws.VNAME[std::size_t(slot)]);
}

bool spread_fail(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
    return false;
}

// The references SPREAD shows: the scanned list, or every data series when it is empty.
bool spread_references(Run& run, std::vector<int>& refs) {
    for (int k = 1; k <= run.scan.NF; ++k) refs.push_back(run.scan.list[std::size_t(k)]);
    if (refs.empty()) {
        for (int slot = 1; slot <= run.ws.NVARS; ++slot) {
            VarInfo info;
            int column = 0;
            if (variable_info(run.ws, slot, info, column) == VarStatus::FOUND &&
                info.type == TYPE_DATA && info.length > 1)
                refs.push_back(slot);
        }
        if (refs.empty()) return spread_fail(run, "SPREAD: NO SERIES TO SHOW", SPREAD_NO_SERIES);
    }
    for (int ref : refs) {
        VarInfo info;
        if (!VINFO(run, ref, info)) return false;
        if (info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR || info.scalar != 0)
            return spread_fail(run, "SPREAD SHOWS SERIES: " + spread_name(run, ref) + " IS NOT ONE",
                               SPREAD_NOT_SERIES);
    }
    return true;
}

bool at_terminal(const Run& run) {
    return run.sw[OTALK] && isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
}

} // namespace

void cmd_spread(Run& run) {
    std::vector<int> refs;
    if (!spread_references(run, refs)) return;
    SpreadTable table;
    for (int t = run.smpl.IBEG; t <= run.smpl.IEND; ++t)
        if (obs_in_use(run, t)) table.obs.push_back(t);
    if (table.obs.empty()) {
        spread_fail(run, "SPREAD: THE SAMPLE HOLDS NO OBSERVATIONS", SPREAD_NO_OBSERVATIONS);
        return;
    }
    if (!at_terminal(run)) {
        print_after_read(run, refs, run.smpl.IBEG, run.smpl.IEND, true);
        return;
    }
    std::vector<VarInfo> infos(refs.size());
    for (std::size_t c = 0; c < refs.size(); ++c) {
        VINFO(run, refs[c], infos[c]);
        table.names.push_back(spread_name(run, refs[c]));
        std::vector<Real> column;
        for (int t : table.obs)
            column.push_back(t <= infos[c].length ? element(run, infos[c], t) : run.ws.XMISS);
        table.values.push_back(std::move(column));
        table.lengths.push_back(infos[c].length);
    }
    table.page_rows = SPREAD_PAGE_ROWS;
    FLUSH_BUFFER(run);
    std::fflush(run.streams.out);
    int changed_cells = 0;
    const bool ran =
        run_spread_terminal(table, STDIN_FILENO, STDOUT_FILENO, [&](const SpreadEdit& e) {
            const int t = table.obs[std::size_t(e.row)];
            VarInfo& info = infos[std::size_t(e.col)];
            element(run, info, t) = e.after; // the table refuses cells beyond a series' end
            ++changed_cells;
        });
    if (!ran) {
        print_after_read(run, refs, run.smpl.IBEG, run.smpl.IEND, true);
        return;
    }
    write_line(run, " SPREAD: " + std::to_string(table.undo.size()) + " EDIT(S) KEPT, " +
                        std::to_string(changed_cells) + " CHANGE(S) MADE");
}

} // namespace tarvex
