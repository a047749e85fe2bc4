// Residuals and fitted values as exact sums rounded once. A row's terms are its K values times
// the high and the low parts of the coefficients (2K exact products) and y; the values are taken
// apart once and enter both products. The residual's square and the residual itself go into the
// share's exact sums.
#include "kernels/gram_residuals.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/exact_dot.hpp"

namespace tarvex {
namespace {

using Factor = ExactAccumulator::Factor;

struct ShareSums {
    ExactAccumulator squares, sum;
    bool finite = true;
};

// The value of column c at `row` as the fit took it.
inline Real value_at(const GramColumns& data, int c, std::size_t row) {
    const Real* column = data.columns[c];
    if (data.row_scale == nullptr) return column == nullptr ? Real(1) : column[row];
    return column == nullptr ? data.row_scale[row] : column[row] * data.row_scale[row];
}

void residual_rows(const GramColumns& data, const std::vector<Factor>& minus_coef, Real* residuals,
                   Real* fitted, std::size_t begin, std::size_t end, ShareSums& out) {
    const int k = static_cast<int>(data.columns.size()) - 1;
    // Terms: x_j * (-b_hi_j), x_j * (-b_lo_j), then y * 1.
    std::vector<Factor> values(static_cast<std::size_t>(2 * k + 1));
    ExactAccumulator row_sum;
    for (std::size_t i = begin; i < end; ++i) {
        const std::size_t row = data.rows == nullptr ? i : data.rows[i];
        bool finite = true;
        for (int j = 0; j < k; ++j) {
            finite &= ExactAccumulator::decode(value_at(data, j, row), values[j]);
            values[k + j] = values[j];
        }
        finite &= ExactAccumulator::decode(value_at(data, k, row), values[2 * k]);
        if (!finite) {
            out.finite = false;
            return;
        }
        row_sum.clear();
        row_sum.add_decoded_products(values.data(), minus_coef.data(),
                                     static_cast<std::size_t>(2 * k));
        if (fitted != nullptr) fitted[row] = -row_sum.result();
        row_sum.add_decoded_products(values.data() + 2 * k, minus_coef.data() + 2 * k, 1);
        const Real e = row_sum.result();
        residuals[row] = e;
        out.squares.add_product(e, e);
        out.sum.add(e);
    }
}

} // namespace

ResidualSums gram_residuals(const GramColumns& data, const std::vector<Wide>& coef, Real* residuals,
                            Real* fitted, int threads) {
    ResidualSums result;
    const int k = static_cast<int>(data.columns.size()) - 1;
    if (k < 0 || static_cast<int>(coef.size()) != k) {
        result.finite = false;
        return result;
    }
    std::vector<Factor> minus_coef(static_cast<std::size_t>(2 * k + 1));
    for (int j = 0; j < k; ++j) {
        result.finite &= ExactAccumulator::decode(-coef[j].hi, minus_coef[j]);
        result.finite &= ExactAccumulator::decode(-coef[j].lo, minus_coef[k + j]);
    }
    ExactAccumulator::decode(1, minus_coef[2 * k]);
    if (!result.finite) return result;
    std::vector<ShareSums> shares(row_shares(data.nobs, threads, ROWS_PER_THREAD));
    run_row_shares(
        data.nobs, shares.size(), [&](std::size_t share, std::size_t begin, std::size_t end) {
            residual_rows(data, minus_coef, residuals, fitted, begin, end, shares[share]);
        });
    for (std::size_t s = 0; s < shares.size(); ++s) {
        if (!shares[s].finite) {
            result.finite = false;
            return result;
        }
        if (s > 0) {
            shares[0].squares.add_exact(shares[s].squares);
            shares[0].sum.add_exact(shares[s].sum);
        }
    }
    result.sse = shares[0].squares.result();
    result.sum = shares[0].sum.result();
    return result;
}

} // namespace tarvex
