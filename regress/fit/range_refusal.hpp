// The refusal of an estimation whose data lie too far out for binary128: the solvers scale every
// column by a power of two and lose nothing, but a sum of squares in the data's own units (the
// residual sum of squares, the variance of the estimate, the covariance matrix) can then not be
// represented, so the command stops and says why instead of reporting zeros or infinities.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// " ...ERROR..THE VALUES OF name ARE TOO LARGE (SMALL): THEIR SQUARES CANNOT BE REPRESENTED".
inline std::string values_out_of_range(std::string_view name, bool too_large) {
    return " ...ERROR..THE VALUES OF " + std::string(name) + " ARE TOO " +
           (too_large ? "LARGE" : "SMALL") + ": THEIR SQUARES CANNOT BE REPRESENTED";
}

} // namespace tarvex
