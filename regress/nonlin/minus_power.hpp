// Where a compiled equation meets a unary minus with a power: (-A)**B or -(A**B). Compiling the
// equation with the other binding of the unary minus (SET UMINUS) and comparing the counts tells
// whether the switch changes what -A**B means in it; a fit that fails on such an equation says
// so, since a formula copied from a text that binds the minus the other way fits another model.
#pragma once

#include "expr/program.hpp"

namespace tarvex {

struct MinusPowers {
    int power_of_negation = 0; // (-A)**B
    int negated_power = 0;     // -(A**B)
    bool operator==(const MinusPowers&) const = default;
};

// The two forms in `program`, not counting powers whose exponent is an odd whole constant (both
// readings agree there).
MinusPowers minus_powers(const expr::Program& program);

} // namespace tarvex
