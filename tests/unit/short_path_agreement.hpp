// The check that a routine's short path returns the bits of the wide routine it falls back to:
// every argument is computed both ways, a difference is a failure, and the arguments the short
// path leaves undecided are counted and kept (up to 4000) for a look at their neighbours.
#pragma once

#include "numeric/real.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>
#include <quadmath.h>

#include <string>
#include <vector>

namespace tarvex::testing {

// A binary128 value in hexadecimal, every bit shown.
inline std::string hex_text(Real x) {
    char buffer[64];
    quadmath_snprintf(buffer, sizeof buffer, "%.36Qa", x);
    return buffer;
}

template <bool (*Short)(Real, Real&), Real (*Routine)(Real), Real (*Wide)(Real)>
struct ShortPathAgreement {
    long long checked = 0, differ = 0, undecided = 0;
    std::vector<Real> hard;
    void check(Real x) {
        ++checked;
        Real shortcut;
        if (!Short(x, shortcut)) {
            ++undecided;
            if (hard.size() < 4000) hard.push_back(x);
        }
        if (bits_of(Routine(x)) != bits_of(Wide(x)) && ++differ <= 10)
            ADD_FAILURE() << "x " << hex_text(x) << ": " << hex_text(Routine(x)) << " against "
                          << hex_text(Wide(x));
    }
    // The neighbours of every argument of `hard`, up to `reach` units in the last place either
    // side: arguments next to a rounding boundary, approaching it from both sides.
    void check_neighbours(const std::vector<Real>& hard, int reach = 6) {
        for (Real x : hard)
            for (int k = -reach; k <= reach; ++k) check(from_bits(bits_of(x) + k));
    }
};

} // namespace tarvex::testing
