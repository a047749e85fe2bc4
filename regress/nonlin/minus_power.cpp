// Finding -A**B in a compiled equation: see minus_power.hpp.
#include "regress/nonlin/minus_power.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

// The instruction before `k` that last wrote `cell` (-1 when none: a variable or constant).
int writer_of_cell(const expr::Program& p, int cell, int k) {
    for (int j = k - 1; j >= 0; --j)
        if (p.result(j) == cell) return j;
    return -1;
}

// The power at instruction k has an odd whole constant for exponent: -(A**B) = (-A)**B.
bool odd_whole_exponent(const expr::Program& p, int k) {
    const int cell = p.b(k);
    if (!p.is_constant_cell(cell) || writer_of_cell(p, cell, k) >= 0) return false;
    const std::size_t at = static_cast<std::size_t>(cell - p.ICON0);
    if (at >= p.constants.size()) return false;
    const Real b = p.constants[at];
    return b == qm::floor(b) && qm::floor(b / 2) * 2 != b;
}

} // namespace

MinusPowers minus_powers(const expr::Program& p) {
    MinusPowers found;
    for (int k = 0; k < p.instructions(); ++k) {
        if (p.op(k) == expr::OP_POW) {
            const int base = writer_of_cell(p, p.a(k), k);
            if (base >= 0 && p.op(base) == expr::OP_NEG && !odd_whole_exponent(p, k))
                ++found.power_of_negation;
        } else if (p.op(k) == expr::OP_NEG) {
            const int power = writer_of_cell(p, p.a(k), k);
            if (power >= 0 && p.op(power) == expr::OP_POW && !odd_whole_exponent(p, power))
                ++found.negated_power;
        }
    }
    return found;
}

} // namespace tarvex
