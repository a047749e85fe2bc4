// The start of a long TOBIT fit, found in double precision: Newton's method in Olsen's parameters
// (g, t) = (b/sigma, 1/sigma), in which the log-likelihood is concave, with each row's terms in
// double, until the step is at the level of double's rounding (see binary_double_start.hpp, whose
// iterations it shares). The binary128 iterations from there decide the estimates.
#pragma once

#include "regress/choice/binary_double_start.hpp"

#include <vector>

namespace tarvex {

// Where a TOBIT row lies: censored below, uncensored, censored above.
enum class TobitSide : unsigned char { BELOW, BETWEEN, ABOVE };

// TOBIT's rows as the double iterations see them.
struct TobitRows {
    const ChoiceData* data = nullptr;
    const std::vector<TobitSide>* side = nullptr;
    const std::vector<Real>* limit = nullptr; // -L below, -U above, -y between
    TobitCensoring censoring;
    Real between = 0; // the uncensored rows (weighted)
};

DoubleStart tobit_double_start(const TobitRows& rows, const std::vector<Real>& start,
                               int max_iterations, const InterruptCheck& interrupt);

} // namespace tarvex
