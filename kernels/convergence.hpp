// The convergence test the iterative estimators share: a step is small when it changes no
// parameter by more than `tolerance` relative to the parameter (plus `tolerance` itself, so
// that a parameter at zero is judged absolutely).
#pragma once

#include "numeric/qmath.hpp"
#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

inline bool small_change(const std::vector<Real>& step, const std::vector<Real>& b,
                         Real tolerance) {
    for (std::size_t j = 0; j < b.size(); ++j)
        if (qm::abs(step[j]) > tolerance * (qm::abs(b[j]) + tolerance)) return false;
    return true;
}

} // namespace tarvex
