// DELETE (routine DELETX): releases the listed variables, or all of them (ALL), all but the
// character variables (ALLDATA) or those whose names carry no "_" (ALL_). A listed result
// scalar becomes "not available". Trailing variables give their words back.
#include "workspace/maintenance.hpp"

#include "core/error_report.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"
#include "workspace/workspace_errors.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The value of a result scalar that no command has set.
inline constexpr Real NOT_AVAILABLE = -9999999;
// The stored data format is kept by ALL_.
const std::string FORMAT_NAME = "FORMAT$";

enum class Keyword { NONE, ALL, ALLDATA, ALL_UNDERSCORE };

Keyword keyword_of(const std::vector<std::string>& words) {
    if (words.size() != 1) return Keyword::NONE;
    const std::string word = word8(words.front(), true);
    if (word == "ALL") return Keyword::ALL;
    if (word == "ALLDATA") return Keyword::ALLDATA;
    if (word == "ALL_") return Keyword::ALL_UNDERSCORE;
    return Keyword::NONE;
}

// Whether the keyword deletes the variable in `slot`.
bool selected(Run& run, Keyword keyword, int slot) {
    if (keyword == Keyword::ALL) return true;
    VarInfo info;
    VINFO(run, slot, info);
    const bool character = info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR;
    if (keyword == Keyword::ALLDATA) return !character;
    // ALL_: names holding "_" are the user's kept variables, and so is the stored format.
    const std::string name = trim_trailing_blanks(run.ws.VNAME[slot]);
    return name.find('_') == std::string::npos && name != FORMAT_NAME;
}

void delete_by_keyword(Run& run, Keyword keyword) {
    for (int slot = run.ws.NVARS; slot >= 1; --slot)
        if (!is_hole(run, slot) && selected(run, keyword, slot)) release_slot(run, slot);
    settle_after_delete(run);
}

// Releases the listed slots: in list order, except that the current last slot, whenever it is
// listed, goes first so that the top of the work area is given back.
void delete_slots(Run& run, std::vector<int> pending) {
    while (!pending.empty()) {
        auto last = std::find(pending.begin(), pending.end(), run.ws.NVARS);
        auto next = last != pending.end() ? last : pending.begin();
        const int slot = *next;
        pending.erase(next);
        if (!is_hole(run, slot)) release_slot(run, slot);
    }
}

} // namespace

void release_slot(Run& run, int slot) {
    Workspace& ws = run.ws;
    VarInfo info;
    VINFO(run, slot, info);
    const std::string name = trim_trailing_blanks(ws.VNAME[slot]);
    if (run.sw[OWARN] && run.flags.OPUT)
        write_line(run, " ...NOTE..VARIABLE " + name + " IS DELETED" + fmt_I(info.length, 10) +
                            " WORDS RELEASED");
    ws.value_labels.erase(ws.VNAME[slot]);
    ws.VNAME[slot].assign(ws.VNAME[slot].size(), ' ');
    // SKIP$ gone: LSKIP (looked up by name) is 0 from here on.
    if (slot == ws.NVARS && info.addr > 0 && info.inc == 1) {
        ws.LASADD -= info.length + 4;
        ws.NVARS -= 1;
    } else {
        ws.NDL += 1;
    }
}

void settle_after_delete(Run& run) {
    Workspace& ws = run.ws;
    if (skip_slot(run) == 0) run.sw[OSKIP] = false;
    if (!run.sw[OSKIP]) run.smpl.NSKIP = 0;
    bool only_holes = true;
    for (int slot = 1; slot <= ws.NVARS && only_holes; ++slot) only_holes = is_hole(run, slot);
    if (only_holes) {
        ws.NVARS = 0;
        ws.LASADD = 0;
        ws.NDL = 0;
        run.sw[OSKIP] = false;
        run.smpl.NSKIP = 0;
    }
}

void cmd_delete(Run& run) {
    // The command loop hands DELETE over even when later statements are only scanned (OSCAN):
    // then the list is checked and nothing is deleted.
    const Keyword keyword = keyword_of(statement_words(run, nullptr));
    if (run.sw[OSCAN]) {
        if (keyword == Keyword::NONE) scan_statement(run);
        return;
    }
    if (keyword != Keyword::NONE) {
        delete_by_keyword(run, keyword);
        return;
    }
    // A list: the scanner looks the names up (an unknown one is reported, or skipped under "?",
    // and the others are still deleted).
    scan_statement(run);
    if (run.flags.OERR) return;
    std::vector<int> pending;
    for (int item = 1; item <= run.scan.NF; ++item) {
        int ref = run.scan.ref(item);
        if (ref < MARK_BASE) ref = MARK_BASE - ref;
        if (run.scan.is_bound(item)) { // a series bound to a file: the binding goes
            unbind_series(run, run.scan.bound_name[item]);
            if (run.sw[OWARN] && run.flags.OPUT)
                write_line(run, " ...NOTE..VARIABLE " + upper_ascii(run.scan.bound_name[item]) +
                                    " IS NO LONGER BOUND TO A FILE");
            continue;
        }
        if (ref == 0) continue;
        if (ref < 0) {
            run.res[-ref] = NOT_AVAILABLE;
            continue;
        }
        if (ref > run.ws.NVARS) {
            report_error(run, " ...ERROR..IN DELETE COMMAND", DELETE_FAILED);
            break;
        }
        if (std::find(pending.begin(), pending.end(), ref) == pending.end()) pending.push_back(ref);
    }
    delete_slots(run, pending);
    settle_after_delete(run);
}

} // namespace tarvex
