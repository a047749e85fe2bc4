// The Gaussian kernel density on a grid by box moments and the Hermite expansion.
#include "regress/nonpar/gaussian_grid_density.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>
#include <cstddef>

namespace tarvex {

namespace {

// Boxes are at most this fraction of the bandwidth wide: |u| <= 1/32.
constexpr int BOXES_PER_BANDWIDTH = 16;
// Boxes further than this many bandwidths from a grid point are left out: their points weigh
// less than exp(-12^2 / 2) = 5e-32 of a point at the grid point.
const Real GRID_REACH = 12;

// The order of the expansion: the smallest p with a remainder below 1e-24 of a box's own
// contribution, for offsets |u| <= u_max and distances |v| <= v_max. The remainder's terms are
// bounded through |He_k(v)| <= E(|v| + |Z|)^k <= (|v| + sqrt(k) + 1)^k, and the contribution
// is at least exp(-v^2/2 - |u v| - u^2/2).
int expansion_order(Real u_max, Real v_max) {
    const Real floor_factor = qm::exp(u_max * v_max + u_max * u_max / 2);
    Real factorial = 1;
    for (int k = 1; k < 200; ++k) {
        factorial *= k;
        const Real bound = qm::pow(u_max * (v_max + qm::sqrt(Real(k)) + 1), Real(k)) / factorial;
        if (bound * floor_factor < Real(1e-24Q)) return k;
    }
    return 200;
}

} // namespace

std::vector<Real> gaussian_density_on_grid(const std::vector<Real>& data, Real h, Real from,
                                           Real to, int count) {
    const Real g = (to - from) / Real(count - 1);
    // q boxes between neighbouring grid points, each b = g/q wide, centred on the lattice
    // from + j b (grid point i is lattice point i q).
    const long long q = std::max(1LL, (long long)qm::ceil(g * BOXES_PER_BANDWIDTH / h));
    const Real b = g / Real(q);
    const long long boxes = q * (count - 1) + 1;
    const Real inverse_b = 1 / b, inverse_h = 1 / h;
    const Real u_max = b / (2 * h);
    const long long reach = (long long)qm::ceil((GRID_REACH + u_max) * h / b);
    const int p = expansion_order(u_max, GRID_REACH + 2 * u_max);
    const std::size_t order = std::size_t(p);

    // Power sums of u = (x - c_j)/h per box: sums[j * p + k] = sum u^k.
    std::vector<Real> sums(std::size_t(boxes) * order, Real(0));
    for (Real x : data) {
        long long j = (long long)qm::floor((x - from) * inverse_b + Real(1) / 2);
        j = std::clamp(j, 0LL, boxes - 1);
        const Real u = (x - (from + Real(j) * b)) * inverse_h;
        Real* s = &sums[std::size_t(j) * order];
        Real power = 1;
        s[0] += 1;
        for (std::size_t k = 1; k < order; ++k) {
            power *= u;
            s[k] += power;
        }
    }

    // The table of exp(-v^2/2) He_k(v) / k! at v = r b / h, r = -reach..reach; He_k(-v) =
    // (-1)^k He_k(v), so only r >= 0 is kept.
    std::vector<Real> table(std::size_t(reach + 1) * order);
    for (long long r = 0; r <= reach; ++r) {
        const Real v = Real(r) * b * inverse_h;
        Real* t = &table[std::size_t(r) * order];
        Real he_previous = 1, he = v; // He_0, He_1
        const Real e = qm::exp(-v * v / 2);
        Real factorial = 1;
        t[0] = e;
        if (order > 1) t[1] = e * v;
        for (std::size_t k = 2; k < order; ++k) {
            const Real next = v * he - Real(k - 1) * he_previous;
            he_previous = he, he = next;
            factorial *= Real(k);
            t[k] = e * he / factorial;
        }
    }

    const Real scale = 1 / (Real(data.size()) * h * qm::sqrt(2 * qm::PI));
    std::vector<Real> f(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long long centre = q * i;
        const long long first = std::max(0LL, centre - reach),
                        last = std::min(boxes - 1, centre + reach);
        Real sum = 0;
        for (long long j = first; j <= last; ++j) {
            const Real* s = &sums[std::size_t(j) * order];
            if (s[0] == 0) continue;
            // v = (grid point - box centre)/h = (centre - j) b/h.
            const long long r = centre - j;
            const Real* t = &table[std::size_t(r < 0 ? -r : r) * order];
            Real box = 0;
            for (std::size_t k = 0; k < order; ++k) box += (r < 0 && (k & 1) ? -t[k] : t[k]) * s[k];
            sum += box;
        }
        f[std::size_t(i)] = sum * scale;
    }
    return f;
}

} // namespace tarvex
