// The list of a statement over bound series (see statement_series.hpp).
#include "bound/statement_series.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

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

int bound_last_observation(Run& run, const std::vector<std::string>& names, int end) {
    long long last = end;
    for (const std::string& name : names)
        if (const BoundSeries* bound = find_bound_series(run, name))
            last = std::min(last, bound->first_observation + bound->rows - 1);
    return static_cast<int>(last);
}

bool range_within_bound_rows(Run& run, const std::vector<StatementSeries>& listed,
                             const std::vector<std::string>& sources, int wanted) {
    if (wanted <= 0) return true;
    bool within = true;
    for (std::size_t k = 0; k < sources.size(); ++k) {
        const BoundSeries* bound = find_bound_series(run, sources[k]);
        if (bound == nullptr) continue;
        const long long rows = bound->first_observation + bound->rows - 1;
        if (rows >= wanted) continue;
        const std::string shown = k < listed.size() ? listed[k].shown : sources[k];
        report_error(run,
                     " ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF " + first_8_padded(shown) +
                         fmt_I(rows, 10) + fmt_I(wanted, 10),
                     shared_error::SAMPLE_BEYOND_LENGTH);
        within = false;
    }
    return within;
}

} // namespace tarvex
