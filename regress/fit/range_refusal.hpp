// The refusal of an estimation whose data lie too far out for binary128: the solvers scale every
// column by a power of two and lose nothing, but a sum of squares in the data's own units (the
// residual sum of squares, the variance of the estimate, the covariance matrix) can then not be
// represented, so the command stops and says why instead of reporting zeros or infinities.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;
struct ListRows;
struct OlsTerm;

// " ...ERROR..THE VALUES OF name ARE TOO LARGE (SMALL): THEIR SQUARES CANNOT BE REPRESENTED".
inline std::string values_out_of_range(std::string_view name, bool too_large) {
    return " ...ERROR..THE VALUES OF " + std::string(name) + " ARE TOO " +
           (too_large ? "LARGE" : "SMALL") + ": THEIR SQUARES CANNOT BE REPRESENTED";
}

// Checks y (named dep_name) and each column of the gathered rows (named by `terms`) for squares
// beyond the binary128 range; at the first such column writes the message with $ERR `number`
// and returns false.
bool squares_representable(Run& run, std::string_view dep_name, const std::vector<OlsTerm>& terms,
                           const ListRows& rows, int number);

} // namespace tarvex
