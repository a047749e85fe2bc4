// The RESTRICT option of the least-squares estimators: reads the RESTRICT block that follows the
// command, imposes the linear restrictions R b = r on the solution, and notes the F test of
// the restrictions for the report.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

struct Run;
struct OlsEstimate;

// Reads the restrictions and replaces the coefficients and (X'X)**-1 of the solved fit by their
// restricted forms (fit.restrictions = q); fit.sse holds the unrestricted residual sum of
// squares. False when the estimation must end: an error in the block (written as the block is
// read), or restrictions that cannot be imposed (the estimate's error).
bool impose_restrictions(Run& run, OlsEstimate& e);

} // namespace tarvex
