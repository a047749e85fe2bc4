// Cholesky factor, solve and inverse in double-binary128 arithmetic (see gram_cholesky.hpp).
// The factor is formed column by column (R_ij = (G_ij - sum_m R_mi R_mj) / R_ii), so that a
// dependent regressor stops it before any later column is touched, as in Gram-Schmidt. The
// matrix is first scaled by powers of two, column c by 2^shift[c] on both sides, so that every
// diagonal entry lies near 1 (exact_gram hands it so scaled): exact, and it keeps the factor far
// from the ends of the binary128 range (the split products need 57 bits of headroom), even for
// data whose cross products themselves lie outside it. The ratios tested are unchanged by it;
// the coefficients, the residual sum of squares and the inverse are scaled back at the end.
#include "kernels/gram_cholesky.hpp"

#include "kernels/value_range.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

GramFit gram_cholesky_solve(const GramMatrix& gram, int nobs, Real dependence_ratio) {
    GramFit fit;
    const int p = gram.size;
    const int k = p - 1;
    fit.nobs = nobs;
    fit.nregs = k;
    if (!gram.finite) {
        fit.status = GramStatus::non_finite;
        return fit;
    }
    if (k < 0 || nobs < k) {
        fit.status = GramStatus::too_few_observations;
        return fit;
    }
    // The shifts the matrix is held with, and those that bring a diagonal held unscaled near 1.
    std::vector<int> shift(static_cast<std::size_t>(p), 0);
    std::vector<int> extra(static_cast<std::size_t>(p), 0);
    for (int c = 0; c < p; ++c) {
        const Real diagonal = gram.scaled_at(c, c).hi;
        if (diagonal > 0) extra[c] = -(ilogbq(diagonal) / 2);
        shift[c] = gram.shift_of(c) + extra[c];
    }
    for (int c = 0; c < p; ++c) {
        const Real diagonal = gram.scaled_at(c, c).hi;
        if (!(diagonal > 0)) continue;
        const SquaresRange range =
            squares_range_of_exponent(ilogbq(diagonal) - 2 * gram.shift_of(c));
        if (range != SquaresRange::inside) {
            fit.out_of_range_column = c;
            fit.too_large = range == SquaresRange::too_large;
            break;
        }
    }
    const auto g = [&gram, &extra](int a, int b) {
        return wide_scaled(gram.scaled_at(a, b), extra[a] + extra[b]);
    };
    const auto at = [p](int row, int col) { return static_cast<std::size_t>(col) * p + row; };
    std::vector<Wide> r(static_cast<std::size_t>(p) * p);
    for (int j = 0; j < p; ++j) {
        for (int i = 0; i < j; ++i) {
            Wide sum = g(i, j);
            for (int m = 0; m < i; ++m) sum = sum - r[at(m, i)] * r[at(m, j)];
            r[at(i, j)] = sum / r[at(i, i)];
        }
        Wide left = g(j, j);
        for (int m = 0; m < j; ++m) left = left - r[at(m, j)] * r[at(m, j)];
        if (j == k) {
            if (left.hi > 0) {
                fit.scaled_sse = left.hi + left.lo;
                fit.sse = scalbnq(fit.scaled_sse, -2 * shift[k]);
            }
            break;
        }
        const Wide original = g(j, j);
        fit.remaining_ratio.push_back(original.hi > 0 ? (left / original).hi : Real(0));
        if (wide_less_equal(left, wide(dependence_ratio) * original)) {
            fit.status = GramStatus::dependent_column;
            fit.failed_column = j;
            return fit;
        }
        r[at(j, j)] = wide_sqrt(left);
    }

    // b = R^-1 z, z being column K of the factor.
    fit.coef_wide.assign(static_cast<std::size_t>(k), Wide{});
    for (int row = k - 1; row >= 0; --row) {
        Wide sum = r[at(row, k)];
        for (int col = row + 1; col < k; ++col) sum = sum - r[at(row, col)] * fit.coef_wide[col];
        fit.coef_wide[row] = sum / r[at(row, row)];
    }
    fit.coef.resize(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) {
        fit.coef_wide[j] = wide_scaled(fit.coef_wide[j], shift[j] - shift[k]);
        fit.coef[j] = fit.coef_wide[j].hi + fit.coef_wide[j].lo;
    }

    // T = R^-1 (upper triangular), then (X'X)^-1 = T T'.
    const auto tat = [k](int row, int col) { return static_cast<std::size_t>(col) * k + row; };
    std::vector<Wide> t(static_cast<std::size_t>(k) * k);
    for (int col = 0; col < k; ++col) {
        t[tat(col, col)] = wide(1) / r[at(col, col)];
        for (int row = col - 1; row >= 0; --row) {
            Wide sum;
            for (int mid = row + 1; mid <= col; ++mid)
                sum = sum + r[at(row, mid)] * t[tat(mid, col)];
            t[tat(row, col)] = -(sum / r[at(row, row)]);
        }
    }
    fit.xtx_inverse.assign(static_cast<std::size_t>(k) * k, Real(0));
    fit.scaled_inverse_diagonal.assign(static_cast<std::size_t>(k), Real(0));
    fit.shift = shift;
    for (int col = 0; col < k; ++col)
        for (int row = 0; row <= col; ++row) {
            Wide sum;
            for (int mid = col; mid < k; ++mid) sum = sum + t[tat(row, mid)] * t[tat(col, mid)];
            if (row == col) fit.scaled_inverse_diagonal[row] = sum.hi + sum.lo;
            const Real value = scalbnq(sum.hi + sum.lo, shift[row] + shift[col]);
            fit.xtx_inverse[tat(row, col)] = value;
            fit.xtx_inverse[tat(col, row)] = value;
        }
    return fit;
}

Real GramFit::standard_error(int j, Real df) const {
    const Real variance = scaled_sse / df * scaled_inverse_diagonal[static_cast<std::size_t>(j)];
    if (!(variance > 0)) return 0;
    return scalbnq(qm::sqrt(variance), shift[static_cast<std::size_t>(j)] - shift.back());
}

GramFit gram_least_squares(const GramColumns& data, Real dependence_ratio, int threads) {
    const GramMatrix gram = exact_gram(data, threads);
    return gram_cholesky_solve(gram, static_cast<int>(data.nobs), dependence_ratio);
}

} // namespace tarvex
