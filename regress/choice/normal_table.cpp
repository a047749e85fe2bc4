// Building and reading the table of normal tail expansions. Up to FIXED_END the expansion is
// summed in 128-bit fixed point scaled to each node's Q(x0): the terms shrink by |h| <= 1/128 at
// each degree, so every partial sum keeps its 115 bits against Q and the result is within about
// one unit in the last place, at a tenth of the cost of binary128 multiply-adds. Beyond it, where
// the coefficients outgrow Q too far for a fixed scale, the sum is taken in binary128.
#include "regress/choice/normal_table.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/limb_arithmetic.hpp"
#include "numeric/qmath.hpp"

#include <vector>

namespace tarvex {

namespace {

using wide_int = __int128;

constexpr int NODES_PER_UNIT = 64;
constexpr int NODES = NORMAL_TABLE_END * NODES_PER_UNIT + 1;
constexpr int MAX_TERMS = 48;
const Real TRUNCATION = 1e-36Q;
const Real TABLE_INV_ROOT_2 = 0.7071067811865475244008443621048490392848Q;
const Real TABLE_INV_ROOT_2PI = 0.3989422804014326779399460599343818684759Q;

// The fixed-point sums serve x up to this; their coefficients stay below 2^11 Q(x0) there.
constexpr int FIXED_END = 8;
constexpr int FIXED_NODES = FIXED_END * NODES_PER_UNIT + 1;
// Q(x0) is held as an integer in [2^115, 2^116), and h as h 2^133 (|h| <= 2^-7).
constexpr int Q_BITS = 115;
constexpr int STEP_SHIFT = 133;

struct Node {
    Real x0 = 0;               // the node, j/64
    Real q = 0;                // Q(x0)
    int terms = 0;             // coefficients in use
    Real coef[MAX_TERMS] = {}; // -phi(x0) (-1)^(k-1) He_{k-1}(x0) / k!, k = 1 .. terms
    // The fixed-point form (nodes up to FIXED_END): Q(x0) and the coefficients times 2^scale,
    // and 2^-scale.
    wide_int q_fixed = 0;
    wide_int coef_fixed[MAX_TERMS] = {};
    Real unscale = 0;
};

// 2^e as a binary128 value, for e in the normal range.
Real power_of_two(int e) {
    return limbs::from_bits(limbs::u128(e + limbs::EXPONENT_BIAS) << limbs::FRACTION_BITS);
}

// The unbiased exponent of a positive normal value.
int exponent_of(Real v) {
    return int(limbs::exponent_field(limbs::bits_of(v))) - limbs::EXPONENT_BIAS;
}

void fill_fixed(Node& node) {
    const int scale = Q_BITS - exponent_of(node.q);
    const Real up = power_of_two(scale);
    node.unscale = power_of_two(-scale);
    node.q_fixed = static_cast<wide_int>(qm::round(node.q * up));
    for (int k = 0; k < node.terms; ++k)
        node.coef_fixed[k] = static_cast<wide_int>(qm::round(node.coef[k] * up));
}

std::vector<Node> build_table() {
    std::vector<Node> table(NODES);
    const Real half = Real(1) / (2 * NODES_PER_UNIT); // the largest |h|
    for (int j = 0; j < NODES; ++j) {
        const Real x0 = Real(j) / NODES_PER_UNIT;
        Node& node = table[std::size_t(j)];
        node.x0 = x0;
        node.q = qm::erfc(x0 * TABLE_INV_ROOT_2) / 2;
        const Real phi = TABLE_INV_ROOT_2PI * qm::exp(-x0 * x0 / 2);
        // The smallest Q over the interval bounds the relative truncation.
        const Real end = x0 + half;
        const Real floor_q = qm::erfc(end * TABLE_INV_ROOT_2) / 2;
        Real he_prev = 0, he = 1; // He_{-1} (unused) and He_0
        Real factorial = 1, power = 1, last_term = 1;
        for (int k = 1; k <= MAX_TERMS; ++k) {
            factorial *= k;
            power *= half;
            const Real c = (k % 2 == 1 ? -phi : phi) * he / factorial;
            node.coef[k - 1] = c;
            node.terms = k;
            // Two terms in a row below the bound (He has a zero now and then, never two
            // neighbouring degrees at once).
            const Real term = qm::abs(c) * power;
            if (k > 2 && term < TRUNCATION * floor_q && last_term < TRUNCATION * floor_q) break;
            last_term = term;
            const Real next = x0 * he - Real(k - 1) * he_prev; // He_k = x He_{k-1} - (k-1) He_{k-2}
            he_prev = he;
            he = next;
        }
        if (j < FIXED_NODES) fill_fixed(node);
    }
    return table;
}

const std::vector<Node>& table() {
    static const std::vector<Node> nodes = build_table();
    return nodes;
}

// (a b) / 2^133, truncated toward zero, for |a| < 2^127 and |b| <= 2^126.
__attribute__((always_inline)) inline wide_int scaled_product(wide_int a, wide_int b) {
    const bool negative = (a < 0) != (b < 0);
    const limbs::u128 ua = a < 0 ? -limbs::u128(a) : limbs::u128(a);
    const limbs::u128 ub = b < 0 ? -limbs::u128(b) : limbs::u128(b);
    const limbs::Product p =
        limbs::multiply(limbs::low64(ua), limbs::high64(ua), limbs::low64(ub), limbs::high64(ub));
    const limbs::u128 upper = (limbs::u128(p.p3) << 64) | p.p2; // the product / 2^128
    const wide_int r = static_cast<wide_int>(upper >> (STEP_SHIFT - 128));
    return negative ? -r : r;
}

// h 2^133, truncated toward zero, for |h| <= 2^-7.
wide_int fixed_step(Real h) {
    const limbs::u128 bits = limbs::bits_of(h);
    const unsigned field = limbs::exponent_field(bits);
    if (!limbs::is_normal(field)) return 0; // zero, or far below the last bit kept
    const limbs::u128 m = (bits & limbs::FRACTION_MASK) | limbs::HIDDEN_BIT;
    const int shift = int(field) - limbs::EXPONENT_BIAS - int(limbs::FRACTION_BITS) + STEP_SHIFT;
    const limbs::u128 magnitude = shift >= 0 ? m << shift : shift > -128 ? m >> -shift : 0;
    const wide_int v = static_cast<wide_int>(magnitude);
    return (bits >> 127) != 0 ? -v : v;
}

// The node nearest to 0 <= x <= FIXED_END: round(64 x), halves up, from x's bits.
int fixed_node(Real x) {
    const limbs::u128 bits = limbs::bits_of(x);
    const int e = int(limbs::exponent_field(bits)) - limbs::EXPONENT_BIAS;
    if (e < -7) return 0; // x < 1/128 (zero and subnormals too)
    const limbs::u128 m = (bits & limbs::FRACTION_MASK) | limbs::HIDDEN_BIT;
    const int eighths = static_cast<int>(m >> (int(limbs::FRACTION_BITS) - 7 - e)); // floor(128 x)
    return (eighths + 1) >> 1;
}

const Real FIXED_LIMIT = FIXED_END;

} // namespace

Real normal_upper_tail(Real x) {
    const std::vector<Node>& nodes = table();
    if (!fast_less(FIXED_LIMIT, x) && !fast_less(x, 0) && !qm::isnan(x)) {
        const Node& node = nodes[std::size_t(fixed_node(x))];
        const wide_int h = fixed_step(fast_subtract(x, node.x0));
        wide_int sum = node.coef_fixed[node.terms - 1];
        for (int k = node.terms - 2; k >= 0; --k) sum = node.coef_fixed[k] + scaled_product(sum, h);
        return fast_multiply(static_cast<Real>(node.q_fixed + scaled_product(sum, h)),
                             node.unscale);
    }
    // x * 64 and x - x0 on the integer unit: both are exact here, the same bits as soft-float.
    // Clamped before the conversion: an x that is not a number or beyond the table (the callers
    // keep to it) must not reach int.
    const Real node_at = qm::round(fast_multiply(x, Real(NODES_PER_UNIT)));
    const int j = qm::isnan(node_at) || node_at < 0 ? 0
                  : node_at >= Real(NODES)          ? NODES - 1
                                                    : static_cast<int>(node_at);
    const Node& node = nodes[std::size_t(j)];
    const Real h = fast_subtract(x, node.x0);
    Real sum = node.coef[node.terms - 1];
    for (int k = node.terms - 2; k >= 0; --k) sum = fused_multiply_add(node.coef[k], sum, h);
    return fused_multiply_add(node.q, sum, h);
}

} // namespace tarvex
