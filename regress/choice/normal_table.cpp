// Building and reading the table of normal tail expansions.
#include "regress/choice/normal_table.hpp"

#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"

#include <vector>

namespace tarvex {

namespace {

constexpr int NODES_PER_UNIT = 64;
constexpr int NODES = NORMAL_TABLE_END * NODES_PER_UNIT + 1;
constexpr int MAX_TERMS = 48;
const Real TRUNCATION = 1e-36Q;
const Real TABLE_INV_ROOT_2 = 0.7071067811865475244008443621048490392848Q;
const Real TABLE_INV_ROOT_2PI = 0.3989422804014326779399460599343818684759Q;

struct Node {
    Real q = 0;                // Q(x0)
    int terms = 0;             // coefficients in use
    Real coef[MAX_TERMS] = {}; // -phi(x0) (-1)^(k-1) He_{k-1}(x0) / k!, k = 1 .. terms
};

std::vector<Node> build_table() {
    std::vector<Node> table(NODES);
    const Real half = Real(1) / (2 * NODES_PER_UNIT); // the largest |h|
    for (int j = 0; j < NODES; ++j) {
        const Real x0 = Real(j) / NODES_PER_UNIT;
        Node& node = table[std::size_t(j)];
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
    }
    return table;
}

const std::vector<Node>& table() {
    static const std::vector<Node> nodes = build_table();
    return nodes;
}

} // namespace

Real normal_upper_tail(Real x) {
    const std::vector<Node>& nodes = table();
    int j = static_cast<int>(qm::round(x * NODES_PER_UNIT));
    j = j < 0 ? 0 : j >= NODES ? NODES - 1 : j;
    const Node& node = nodes[std::size_t(j)];
    const Real h = x - Real(j) / NODES_PER_UNIT;
    Real sum = node.coef[node.terms - 1];
    for (int k = node.terms - 2; k >= 0; --k) sum = fused_multiply_add(node.coef[k], sum, h);
    return fused_multiply_add(node.q, sum, h);
}

} // namespace tarvex
