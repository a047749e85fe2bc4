// Pearson and likelihood-ratio tests of independence (see independence_tests.hpp).
#include "utilities/independence_tests.hpp"

#include "numeric/distributions.hpp"

namespace tarvex {

IndependenceTests independence_tests(const std::vector<std::vector<Real>>& counts) {
    IndependenceTests t;
    const std::size_t rows = counts.size();
    const std::size_t cols = rows > 0 ? counts[0].size() : 0;
    std::vector<Real> row_sum(rows, 0), col_sum(cols, 0);
    for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0; j < cols; ++j) {
            row_sum[i] += counts[i][j];
            col_sum[j] += counts[i][j];
            t.total += counts[i][j];
        }
    int used_rows = 0, used_cols = 0;
    for (Real s : row_sum) used_rows += s > 0 ? 1 : 0;
    for (Real s : col_sum) used_cols += s > 0 ? 1 : 0;
    if (used_rows < 2 || used_cols < 2) return t;
    t.df = (used_rows - 1) * (used_cols - 1);
    for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0; j < cols; ++j) {
            if (row_sum[i] == 0 || col_sum[j] == 0) continue;
            const Real expected = row_sum[i] * col_sum[j] / t.total;
            const Real n = counts[i][j];
            t.pearson += (n - expected) * (n - expected) / expected;
            if (n > 0) t.likelihood_ratio += 2 * n * logq(n / expected);
        }
    t.pearson_p = dist::chi_square_upper(t.pearson, t.df);
    t.likelihood_ratio_p = dist::chi_square_upper(t.likelihood_ratio, t.df);
    return t;
}

} // namespace tarvex
