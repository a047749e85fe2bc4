// The gradient and Hessian sums of the double Newton iterations, element by element over blocks
// of rows (see double_row_sums.hpp).
#include "regress/choice/double_row_sums.hpp"

#include "kernels/row_threads.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Four doubles side by side, loaded and stored at any alignment; each lane is the same multiply
// and add (or subtract) as one element at a time. A processor without four-wide vectors takes
// each in two halves.
typedef double DoubleQuad __attribute__((vector_size(32), aligned(8), may_alias));
constexpr std::size_t LANES = 4;
// Four sums advance side by side, so that no one waits for the sum before it.
constexpr std::size_t GROUP = 4;
// Rows of a block: the block's rows, transposed, stay in the first-level cache.
constexpr std::size_t BLOCK_ROWS = 256;

// One sum of four lanes: the gradient's elements lane .. lane + 3 (row < 0), or the Hessian's
// elements (row, lane .. lane + 3). A group is padded with sums that are never written back.
struct LaneSum {
    int row = -1;
    std::size_t lane = 0;
    bool used = false;
};

// Advances the four sums of a group over the `rows` rows of `block` (each `width` values).
template <bool Gradient>
void advance_group(const LaneSum* sums, double* totals, const double* block, std::size_t width,
                   std::size_t rows, const double* a, const double* h) {
    // Four sums of four lanes held in registers. The loads go straight from memory to a
    // register through the type's own alignment of 8 (a copy through memory would store two
    // halves and reload them as one, which the processor cannot forward).
    const auto get = [](const double* p) { return *reinterpret_cast<const DoubleQuad*>(p); };
    const auto put = [](double* p, const DoubleQuad& v) { *reinterpret_cast<DoubleQuad*>(p) = v; };
    DoubleQuad s0 = get(totals), s1 = get(totals + 4), s2 = get(totals + 8), s3 = get(totals + 12);
    const std::size_t l0 = sums[0].lane, l1 = sums[1].lane, l2 = sums[2].lane, l3 = sums[3].lane;
    if (Gradient) {
        for (std::size_t r = 0; r < rows; ++r) {
            const double* v = block + r * width;
            const DoubleQuad m = {a[r], a[r], a[r], a[r]};
            s0 = s0 + m * get(v + l0), s1 = s1 + m * get(v + l1);
            s2 = s2 + m * get(v + l2), s3 = s3 + m * get(v + l3);
        }
    } else {
        const std::size_t j0 = std::size_t(sums[0].row), j1 = std::size_t(sums[1].row),
                          j2 = std::size_t(sums[2].row), j3 = std::size_t(sums[3].row);
        for (std::size_t r = 0; r < rows; ++r) {
            const double* v = block + r * width;
            const double hr = h[r];
            const double m0 = hr * v[j0], m1 = hr * v[j1], m2 = hr * v[j2], m3 = hr * v[j3];
            const DoubleQuad p0 = {m0, m0, m0, m0}, p1 = {m1, m1, m1, m1}, p2 = {m2, m2, m2, m2},
                             p3 = {m3, m3, m3, m3};
            s0 = s0 - p0 * get(v + l0), s1 = s1 - p1 * get(v + l1);
            s2 = s2 - p2 * get(v + l2), s3 = s3 - p3 * get(v + l3);
        }
    }
    put(totals, s0), put(totals + 4, s1), put(totals + 8, s2), put(totals + 12, s3);
}

// The gradient's sums, then the Hessian's upper triangle by rows, each list padded to whole
// groups.
std::vector<LaneSum> lane_sums(std::size_t p) {
    std::vector<LaneSum> sums;
    const auto pad = [&sums] {
        while (sums.size() % GROUP != 0) sums.push_back(LaneSum{sums.back().row, 0, false});
    };
    for (std::size_t lane = 0; lane < p; lane += LANES) sums.push_back(LaneSum{-1, lane, true});
    pad();
    for (std::size_t j = 0; j < p; ++j)
        for (std::size_t lane = j / LANES * LANES; lane < p; lane += LANES)
            sums.push_back(LaneSum{int(j), lane, true});
    pad();
    return sums;
}

// The sums over rows [0, n), the rows of each block of BLOCK_ROWS given by
// block_rows(begin, rows, buffer): a pointer to the rows begin .. begin + rows - 1, each `width`
// values wide with zeros past the p-th (`buffer`, BLOCK_ROWS rows of zeros, is the share's own to
// fill).
template <class BlockRows>
void add_sums_by_blocks(std::size_t p, std::size_t n, const double* a, const double* h,
                        std::vector<double>& gradient, std::vector<double>& hessian,
                        BlockRows&& block_rows) {
    if (p == 0 || n == 0) return;
    const std::size_t width = double_row_width(p);
    const std::vector<LaneSum> sums = lane_sums(p);
    const std::size_t groups = sums.size() / GROUP;
    const std::size_t shares = n >= SPLIT_MIN_ROWS && groups > 1 && two_threads_available() ? 2 : 1;
    // Each share takes every shares-th group, with its own totals.
    run_row_shares(shares, shares, [&](std::size_t share, std::size_t, std::size_t) {
        std::vector<double> totals(sums.size() * LANES, 0.0);
        for (std::size_t s = 0; s < sums.size(); ++s) {
            if (!sums[s].used) continue;
            for (std::size_t e = 0; e < LANES && sums[s].lane + e < p; ++e)
                totals[s * LANES + e] =
                    sums[s].row < 0 ? gradient[sums[s].lane + e]
                                    : hessian[std::size_t(sums[s].row) * p + sums[s].lane + e];
        }
        std::vector<double> buffer;
        for (std::size_t begin = 0; begin < n; begin += BLOCK_ROWS) {
            const std::size_t rows = std::min(BLOCK_ROWS, n - begin);
            const double* block = block_rows(begin, rows, buffer);
            for (std::size_t g = share; g < groups; g += shares) {
                const LaneSum* group = &sums[g * GROUP];
                double* t = &totals[g * GROUP * LANES];
                if (group[0].row < 0)
                    advance_group<true>(group, t, block, width, rows, a + begin, h + begin);
                else
                    advance_group<false>(group, t, block, width, rows, a + begin, h + begin);
            }
        }
        // Each element belongs to one sum of one share: the shares write apart.
        for (std::size_t g = share; g < groups; g += shares) {
            for (std::size_t s = g * GROUP; s < (g + 1) * GROUP; ++s) {
                if (!sums[s].used) continue;
                for (std::size_t e = 0; e < LANES; ++e) {
                    const std::size_t l = sums[s].lane + e;
                    if (l >= p) break;
                    if (sums[s].row < 0)
                        gradient[l] = totals[s * LANES + e];
                    else if (l >= std::size_t(sums[s].row))
                        hessian[std::size_t(sums[s].row) * p + l] = totals[s * LANES + e];
                }
            }
        }
    });
}

} // namespace

std::size_t double_row_width(std::size_t p) {
    return (p + LANES - 1) / LANES * LANES;
}

void add_double_row_sums(const std::vector<const double*>& columns, std::size_t n, const double* a,
                         const double* h, std::vector<double>& gradient,
                         std::vector<double>& hessian) {
    const std::size_t p = columns.size(), width = double_row_width(p);
    // Each share transposes the block into its own buffer.
    add_sums_by_blocks(p, n, a, h, gradient, hessian,
                       [&](std::size_t begin, std::size_t rows, std::vector<double>& buffer) {
                           if (buffer.empty()) buffer.assign(BLOCK_ROWS * width, 0.0);
                           for (std::size_t j = 0; j < p; ++j) {
                               const double* x = columns[j] + begin;
                               for (std::size_t r = 0; r < rows; ++r) buffer[r * width + j] = x[r];
                           }
                           return static_cast<const double*>(buffer.data());
                       });
}

void add_double_row_sums(const double* rows, std::size_t p, std::size_t n, const double* a,
                         const double* h, std::vector<double>& gradient,
                         std::vector<double>& hessian) {
    const std::size_t width = double_row_width(p);
    add_sums_by_blocks(
        p, n, a, h, gradient, hessian,
        [&](std::size_t begin, std::size_t, std::vector<double>&) { return rows + begin * width; });
}

} // namespace tarvex
