// The Gaussian kernel density on a grid by box moments and the Hermite expansion.
#include "regress/nonpar/gaussian_grid_density.hpp"

#include "numeric/qmath.hpp"
#include "regress/nonpar/double_pair.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tarvex {

namespace {

// Boxes are at most this fraction of the bandwidth wide: |u| <= 1/32.
constexpr int BOXES_PER_BANDWIDTH = 16;
// Boxes further than this many bandwidths from a grid point are left out: their points weigh
// less than exp(-12^2 / 2) = 5e-32 of a point at the grid point.
const Real GRID_REACH = 12;
// At most this many boxes (about 600 bytes each); a point's box is the integer nearest the high
// part of its position in boxes, at most a millionth of a box further than the nearest, which
// widens the offsets' bound by that much.
constexpr long long MOST_BOXES = 1LL << 20;
const Real BOX_SLACK = Real(1e-6Q);
// A box's sums in doubles are added into its binary128 sums after this many points, which
// bounds the rounding the double sums collect.
constexpr unsigned FLUSH_EVERY = 64;
// The share of a box's own contribution left to the truncated expansion and to the orders
// summed in plain doubles.
const Real TRUNCATION_SHARE = Real(1e-24Q), SINGLE_SHARE = Real(1e-25Q);
const Real DOUBLE_UNIT = Real(1) / Real(1ULL << 53); // 2^-53

// Bounds on the terms of the expansion for offsets |u| <= u_max and distances |v| <= v_max,
// relative to a box's own contribution: with |He_k(v)| <= E(|v| + |Z|)^k <= (|v| + sqrt(k) +
// 1)^k, term k is at most (u_max (v_max + sqrt(k) + 1))^k / k! exp(-v^2/2) per point, and a
// point contributes at least exp(-v^2/2 - |u v| - u^2/2).
class TermBounds {
public:
    TermBounds(Real u_max, Real v_max)
        : u_max_(u_max), v_max_(v_max), floor_(qm::exp(u_max * v_max + u_max * u_max / 2)) {}
    Real operator()(int k) const {
        Real factorial = 1;
        for (int i = 2; i <= k; ++i) factorial *= i;
        return floor_ * qm::pow(u_max_ * (v_max_ + qm::sqrt(Real(k)) + 1), Real(k)) / factorial;
    }

private:
    Real u_max_, v_max_, floor_;
};

// The order of the expansion: the smallest p whose term p is below TRUNCATION_SHARE (with
// u_max <= 1/32 each later term is below a third of the one before, so the whole remainder is
// below 1.5 times that).
int expansion_order(const TermBounds& bound) {
    for (int k = 1; k < 200; ++k)
        if (bound(k) < TRUNCATION_SHARE) return k;
    return 200;
}

// The first order whose power sums may be kept in plain doubles: u^k, formed from u in double by
// repeated products, is within (2k + 2) units of 2^-53 of itself, and FLUSH_EVERY such terms
// summed in double add FLUSH_EVERY units of their magnitudes; the orders from the one returned
// to p - 1 so cost less than SINGLE_SHARE of a box's own contribution. The orders below it are
// summed in pairs of doubles, within about FLUSH_EVERY units of 2^-104.
int first_single_order(const TermBounds& bound, int p) {
    Real error = 0;
    int k = p;
    while (k > 1) {
        error += Real(2 * (k - 1) + 2 + int(FLUSH_EVERY)) * DOUBLE_UNIT * bound(k - 1);
        if (error >= SINGLE_SHARE) break;
        --k;
    }
    return k;
}

// The power sums sum u^k, k = 0..p-1, of u = (x - c_j)/h per box j, sums[j * p + k]; c_j =
// from + j b is the centre of box j. The binary128 u is split into a pair of doubles; its
// powers of order below `singles` are formed and summed in pairs, the higher ones in doubles,
// and every FLUSH_EVERY points a box's double sums go into its binary128 sums.
std::vector<Real> box_power_sums(const std::vector<Real>& data, Real from, Real b, Real inverse_h,
                                 long long boxes, int p, int singles) {
    const std::size_t order = std::size_t(p), pairs = std::size_t(singles - 1),
                      plain = std::size_t(p - singles), width = 2 * pairs + plain;
    std::vector<Real> sums(std::size_t(boxes) * order, Real(0));
    std::vector<double> pending(std::size_t(boxes) * width, 0.0);
    std::vector<unsigned> pending_count(std::size_t(boxes), 0);
    auto flush = [&](std::size_t j) {
        Real* s = &sums[j * order];
        double* a = &pending[j * width];
        s[0] += Real(pending_count[j]);
        for (std::size_t k = 0; k < pairs; ++k) s[k + 1] += to_real({a[k], a[pairs + k]});
        for (std::size_t k = 0; k < plain; ++k) s[pairs + 1 + k] += Real(a[2 * pairs + k]);
        std::fill(a, a + width, 0.0);
        pending_count[j] = 0;
    };
    // w = (x - from)/b in binary128, split into a pair: j is the integer nearest its high part
    // and u = (w - j) b/h.
    const Real inverse_b = 1 / b;
    const DoublePair b_over_h = to_pair(b * inverse_h);
    for (Real x : data) {
        const DoublePair w = to_pair((x - from) * inverse_b);
        const long long j = std::clamp((long long)std::floor(w.hi + 0.5), 0LL, boxes - 1);
        const DoublePair u = pair_two_sum(w.hi - double(j), w.lo) * b_over_h;
        double* a = &pending[std::size_t(j) * width];
        DoublePair power = u;
        for (std::size_t k = 0; k < pairs; ++k) {
            const DoublePair s = DoublePair{a[k], a[pairs + k]} + power;
            a[k] = s.hi, a[pairs + k] = s.lo;
            power = power * u;
        }
        double single = power.hi;
        for (std::size_t k = 0; k < plain; ++k) {
            a[2 * pairs + k] += single;
            single *= u.hi;
        }
        if (++pending_count[std::size_t(j)] == FLUSH_EVERY) flush(std::size_t(j));
    }
    for (std::size_t j = 0; j < std::size_t(boxes); ++j)
        if (pending_count[j] != 0) flush(j);
    return sums;
}

// The table of exp(-v^2/2) He_k(v) / k! at v = r b / h, r = 0..reach, as pairs; He_k(-v) =
// (-1)^k He_k(v) serves the boxes on the other side.
std::vector<DoublePair> hermite_table(long long reach, std::size_t order, Real b_over_h) {
    std::vector<DoublePair> table(std::size_t(reach + 1) * order);
    for (long long r = 0; r <= reach; ++r) {
        const Real v = Real(r) * b_over_h;
        DoublePair* t = &table[std::size_t(r) * order];
        Real he_previous = 1, he = v; // He_0, He_1
        const Real e = qm::exp(-v * v / 2);
        Real factorial = 1;
        t[0] = to_pair(e);
        if (order > 1) t[1] = to_pair(e * v);
        for (std::size_t k = 2; k < order; ++k) {
            const Real next = v * he - Real(k - 1) * he_previous;
            he_previous = he, he = next;
            factorial *= Real(k);
            t[k] = to_pair(e * he / factorial);
        }
    }
    return table;
}

} // namespace

bool gaussian_grid_fits(Real h, Real from, Real to, int count) {
    const Real g = (to - from) / Real(count - 1);
    const Real q = qm::ceil(g * BOXES_PER_BANDWIDTH / h);
    return q * Real(count - 1) + 1 <= Real(MOST_BOXES);
}

std::vector<Real> gaussian_density_on_grid(const std::vector<Real>& data, Real h, Real from,
                                           Real to, int count) {
    const Real g = (to - from) / Real(count - 1);
    // q boxes between neighbouring grid points, each b = g/q wide, centred on the lattice
    // from + j b (grid point i is lattice point i q).
    const long long q = std::max(1LL, (long long)qm::ceil(g * BOXES_PER_BANDWIDTH / h));
    const Real b = g / Real(q);
    const long long boxes = q * (count - 1) + 1;
    const Real inverse_h = 1 / h, b_over_h = b * inverse_h;
    const Real u_max = b_over_h * (Real(1) / 2 + BOX_SLACK);
    const long long reach = (long long)qm::ceil((GRID_REACH + u_max) / b_over_h);
    const TermBounds bound(u_max, Real(reach) * b_over_h);
    const int p = expansion_order(bound);
    const std::size_t order = std::size_t(p);

    std::vector<DoublePair> moments;
    {
        const std::vector<Real> sums =
            box_power_sums(data, from, b, inverse_h, boxes, p, first_single_order(bound, p));
        moments.resize(sums.size());
        std::transform(sums.begin(), sums.end(), moments.begin(), to_pair);
    }
    const std::vector<DoublePair> table = hermite_table(reach, order, b_over_h);

    // Each box's contribution to a grid point is its even and its odd terms, the odd ones
    // negated for a box above the point; the contributions are positive and summed in pairs.
    const Real scale = 1 / (Real(data.size()) * h * qm::sqrt(2 * qm::PI));
    std::vector<Real> f(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long long centre = q * i;
        const long long first = std::max(0LL, centre - reach),
                        last = std::min(boxes - 1, centre + reach);
        DoublePair sum;
        for (long long j = first; j <= last; ++j) {
            const DoublePair* s = &moments[std::size_t(j) * order];
            if (s[0].hi == 0) continue;
            const long long r = centre - j;
            const DoublePair* t = &table[std::size_t(r < 0 ? -r : r) * order];
            DoublePair even, odd;
            for (std::size_t k = 0; k < order; k += 2) even = even + t[k] * s[k];
            for (std::size_t k = 1; k < order; k += 2) odd = odd + t[k] * s[k];
            sum = sum + (r < 0 ? even + -odd : even + odd);
        }
        f[std::size_t(i)] = to_real(sum) * scale;
    }
    return f;
}

} // namespace tarvex
