// The list of a statement over bound series (see statement_series.hpp).
#include "bound/statement_series.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

bool statement_series(Run& run, std::vector<StatementSeries>& out) {
    const ScanBlock& scan = run.scan;
    for (int k = 1; k <= scan.NF; ++k) {
        if (scan.is_bound(k)) {
            const std::string& name = scan.bound_name[k];
            out.push_back({name, trim_trailing_blanks(bound_key(run, name).substr(0, 8))});
            continue;
        }
        const int ref = scan.list[k];
        VarInfo info;
        int column = 0;
        if (ref < 1 || ref > run.ws.MAXVAR || scan.list[scan.MAXVAR + k] != 0 ||
            variable_info(run.ws, ref, info, column) != VarStatus::FOUND || info.type != TYPE_DATA)
            return false;
        const std::string name = trim_trailing_blanks(run.ws.VNAME[ref]);
        out.push_back({name, trim_trailing_blanks(name.substr(0, 8))});
    }
    return true;
}

} // namespace tarvex
