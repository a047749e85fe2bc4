// Storing the result variables of STATS in the workspace.
#include "regress/stats/stats_store.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

bool store_stats_matrix(Run& run, const std::string& name, int type, long long rows, long long cols,
                        const std::vector<Real>& column_major) {
    const std::string n = trim_trailing_blanks(name);
    if (n.empty()) return true;
    int ref = 0;
    NEWVAR(run, n, 1, type, rows * cols, (int)cols, ref);
    VarInfo info;
    if (ref <= 0 || run.flags.ODONT || !VINFO(run, ref, info)) return false;
    for (long long k = 0; k < rows * cols && k < info.length; ++k)
        element(run, info, k + 1) = column_major[k];
    return true;
}

bool store_stats_vector(Run& run, const std::string& name, const std::vector<Real>& values) {
    return store_stats_matrix(run, name, TYPE_DATA, (long long)values.size(), 1, values);
}

} // namespace tarvex
