// The Hodrick-Prescott trend by a banded L D L' factorisation.
#include "regress/smooth/hp_filter.hpp"

#include "numeric/fast_arith.hpp"

namespace tarvex {

namespace {

// Row i of D'D within the band: its diagonal, and its entries one and two places to the right.
// D has rows (1, -2, 1) at columns k, k+1, k+2 for k = 0 .. n-3, so the diagonal runs
// 1, 5, 6, ..., 6, 5, 1, the first off-diagonal -2, -4, ..., -4, -2, the second 1.
struct HpBandRow {
    Real d0, d1, d2;
};

HpBandRow hp_band_row(std::size_t i, std::size_t n) {
    const std::size_t last = n - 1;
    if (n == 3)
        return {i == 1 ? Real(4) : Real(1), i < 2 ? Real(-2) : Real(0), i == 0 ? Real(1) : Real(0)};
    Real d0 = 6, d1 = -4;
    if (i == 0 || i == last)
        d0 = 1;
    else if (i == 1 || i == last - 1)
        d0 = 5;
    if (i == 0 || i == last - 1) d1 = -2;
    return {d0, i + 1 < n ? d1 : Real(0), i + 2 < n ? Real(1) : Real(0)};
}

} // namespace

std::vector<Real> hp_trend(const std::vector<Real>& y, Real lambda) {
    const std::size_t n = y.size();
    // A = I + lambda D'D = L diag(d) L', L unit lower triangular with l1[i] = L(i, i-1) and
    // l2[i] = L(i, i-2); `inverse` holds 1/d.
    std::vector<Real> inverse(n), l1(n, 0), l2(n, 0), t(n);
    HpBandRow above2{0, 0, 0}, above1{0, 0, 0};
    Real d1 = 0, d2 = 0; // d[i-1], d[i-2]
    for (std::size_t i = 0; i < n; ++i) {
        const HpBandRow row = hp_band_row(i, n);
        Real d = fast_add(Real(1), fast_multiply(lambda, row.d0));
        if (i >= 2) {
            // A(i, i-2) = lambda d2(row i-2)
            l2[i] = fast_multiply(fast_multiply(lambda, above2.d2), inverse[i - 2]);
            d = fast_subtract(d, fast_multiply(fast_multiply(l2[i], l2[i]), d2));
        }
        if (i >= 1) {
            // A(i, i-1) = lambda d1(row i-1), less what the column i-2 already holds.
            Real a = fast_multiply(lambda, above1.d1);
            if (i >= 2) a = fast_subtract(a, fast_multiply(fast_multiply(l2[i], d2), l1[i - 1]));
            l1[i] = fast_multiply(a, inverse[i - 1]);
            d = fast_subtract(d, fast_multiply(fast_multiply(l1[i], l1[i]), d1));
        }
        inverse[i] = 1 / d;
        d2 = d1, d1 = d;
        above2 = above1, above1 = row;
    }
    // L z = y, then L' t = z / d.
    for (std::size_t i = 0; i < n; ++i) {
        Real z = y[i];
        if (i >= 1) z = fast_subtract(z, fast_multiply(l1[i], t[i - 1]));
        if (i >= 2) z = fast_subtract(z, fast_multiply(l2[i], t[i - 2]));
        t[i] = z;
    }
    for (std::size_t i = n; i-- > 0;) {
        Real v = fast_multiply(t[i], inverse[i]);
        if (i + 1 < n) v = fast_subtract(v, fast_multiply(l1[i + 1], t[i + 1]));
        if (i + 2 < n) v = fast_subtract(v, fast_multiply(l2[i + 2], t[i + 2]));
        t[i] = v;
    }
    return t;
}

} // namespace tarvex
