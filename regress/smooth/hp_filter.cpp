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

bool same_bits(Real a, Real b) {
    return limbs::bits_of(a) == limbs::bits_of(b);
}

// The factor's rows, L(i, i-1), L(i, i-2) and 1/d(i). Away from both ends every row of the band
// is the same, so the recurrence settles on a fixed point (to the bit) after a few hundred rows
// for the usual lambdas; from there to the last two rows it repeats that row. Only the rows
// before the fixed point and the last two are kept, with `slot` mapping a row to its entry.
class HpFactor {
public:
    HpFactor(std::size_t n, Real lambda) : n_(n), settled_(n) {
        HpBandRow above2{0, 0, 0}, above1{0, 0, 0};
        Real d1 = 0, d2 = 0; // d[i-1], d[i-2]
        for (std::size_t i = 0; i < n; ++i) {
            const HpBandRow row = hp_band_row(i, n);
            Real d = fast_add(Real(1), fast_multiply(lambda, row.d0));
            Real l2 = 0, l1 = 0;
            if (i >= 2) {
                // A(i, i-2) = lambda d2(row i-2)
                l2 = fast_multiply(fast_multiply(lambda, above2.d2), inverse_.end()[-2]);
                d = fast_subtract(d, fast_multiply(fast_multiply(l2, l2), d2));
            }
            if (i >= 1) {
                // A(i, i-1) = lambda d1(row i-1), less what the column i-2 already holds.
                Real a = fast_multiply(lambda, above1.d1);
                if (i >= 2) a = fast_subtract(a, fast_multiply(fast_multiply(l2, d2), l1_.back()));
                l1 = fast_multiply(a, inverse_.back());
                d = fast_subtract(d, fast_multiply(fast_multiply(l1, l1), d1));
            }
            // Rows 4 .. n-3 read only interior rows of the band: once a row repeats the one
            // before it (its d, the d before it and its L(i, i-1)), every row up to n-3 does.
            if (i >= 5 && i + 4 <= n && same_bits(d, d1) && same_bits(d1, d2) &&
                same_bits(l1, l1_.back()) && same_bits(l2, l2_.back())) {
                settled_ = i - 1;
                i = n - 3; // the rows before n-2 hold the settled row's values
                above2 = above1 = hp_band_row(n - 3, n);
                continue;
            }
            l1_.push_back(l1);
            l2_.push_back(l2);
            inverse_.push_back(1 / d);
            d2 = d1, d1 = d;
            above2 = above1, above1 = row;
        }
    }

    // The entry of row i.
    std::size_t slot(std::size_t i) const {
        if (i <= settled_) return i;
        return i + 2 < n_ ? settled_ : settled_ + 1 + (i - (n_ - 2));
    }
    Real l1(std::size_t i) const { return l1_[slot(i)]; }
    Real l2(std::size_t i) const { return l2_[slot(i)]; }
    Real inverse(std::size_t i) const { return inverse_[slot(i)]; }

private:
    std::size_t n_;
    std::size_t settled_; // the first row of the fixed point, n when there is none
    std::vector<Real> l1_, l2_, inverse_;
};

} // namespace

std::vector<Real> hp_trend(const std::vector<Real>& y, Real lambda) {
    const std::size_t n = y.size();
    const HpFactor f(n, lambda);
    std::vector<Real> t(n);
    // L z = y, then L' t = z / d.
    t[0] = y[0];
    t[1] = fast_subtract(y[1], fast_multiply(f.l1(1), t[0]));
    for (std::size_t i = 2; i < n; ++i)
        t[i] = fast_subtract(fast_subtract(y[i], fast_multiply(f.l1(i), t[i - 1])),
                             fast_multiply(f.l2(i), t[i - 2]));
    t[n - 1] = fast_multiply(t[n - 1], f.inverse(n - 1));
    t[n - 2] = fast_subtract(fast_multiply(t[n - 2], f.inverse(n - 2)),
                             fast_multiply(f.l1(n - 1), t[n - 1]));
    for (std::size_t i = n - 2; i-- > 0;)
        t[i] = fast_subtract(
            fast_subtract(fast_multiply(t[i], f.inverse(i)), fast_multiply(f.l1(i + 1), t[i + 1])),
            fast_multiply(f.l2(i + 2), t[i + 2]));
    return t;
}

HpSummary hp_cycle(const std::vector<Real>& y, const std::vector<Real>& trend,
                   std::vector<Real>& cycle) {
    const std::size_t n = trend.size();
    cycle.resize(n);
    HpSummary s;
    for (std::size_t i = 0; i < n; ++i) {
        const Real c = fast_subtract(y[i], trend[i]);
        cycle[i] = c;
        s.cycle_squares = fast_add(s.cycle_squares, fast_multiply(c, c));
        s.cycle_sum = fast_add(s.cycle_sum, c);
        if (i >= 2) {
            // 2 t is t + t to the bit, and one multiply costs less than one add.
            const Real d = fast_add(fast_subtract(trend[i], fast_multiply(Real(2), trend[i - 1])),
                                    trend[i - 2]);
            s.penalty = fast_add(s.penalty, fast_multiply(d, d));
        }
    }
    return s;
}

} // namespace tarvex
