// The matrix of Johansen's rank tests that RANKTEST= stores.
#include "regress/coint/johansen_rank_table.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/coint/johansen_tables.hpp"
#include "regress/fit/output_variables.hpp"

#include <array>

namespace tarvex {

std::vector<Real> johansen_rank_table(const JohansenFit& fit, JohansenTerms terms, Real missing) {
    const int m = fit.m;
    const bool covered = johansen_table_covers(terms, m);
    std::vector<Real> values(std::size_t(m) * RANK_TABLE_COLUMNS, missing);
    auto at = [&](int r, int column) -> Real& { return values[std::size_t(column) * m + r]; };
    for (int r = 0; r < m; ++r) {
        at(r, 0) = fit.eigenvalues[std::size_t(r)];
        at(r, 1) = fit.trace[std::size_t(r)];
        at(r, 5) = fit.max_eigen[std::size_t(r)];
        if (!covered) continue;
        const std::array<Real, 3> trace = johansen_critical_values(terms, m - r, true);
        const std::array<Real, 3> max_eigen = johansen_critical_values(terms, m - r, false);
        for (int c = 0; c < 3; ++c) {
            at(r, 2 + c) = trace[std::size_t(c)];
            at(r, 6 + c) = max_eigen[std::size_t(c)];
        }
    }
    return values;
}

bool store_rank_tests(Run& run, const std::string& name, const JohansenFit& fit,
                      JohansenTerms terms) {
    if (name_blank(name)) return true;
    return store_column_matrix(run, name, fit.m, RANK_TABLE_COLUMNS,
                               johansen_rank_table(fit, terms, run.ws.XMISS));
}

} // namespace tarvex
