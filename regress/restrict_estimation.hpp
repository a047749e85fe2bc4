// The RESTRICT option of the least-squares estimators: reads the RESTRICT block that follows the
// command, imposes the linear restrictions R b = r on the solution, and writes the F test of
// the restrictions.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

struct Run;
struct OlsFit;

// Reads the restrictions and replaces fit.coef and fit.xtx_inv by their restricted forms
// (fit.restrictions = q). `sse` is the unrestricted residual sum of squares. False when the
// estimation must end (an error in the block, or restrictions that cannot be imposed).
bool impose_restrictions(Run& run, OlsFit& fit, Real sse);

} // namespace tarvex
