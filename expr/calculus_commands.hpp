// The commands DERIVATI and INTEGRAT, which run an expression of the GENR family through the
// derivative generator: the derivative of an expression over the sample, and the definite
// integral of an expression in one variable.
#pragma once

namespace tarvex {

struct Run;

// DERIVATI (X) target = expression: writes the derivative with respect to X as an expression
// and stores its value at every observation of the sample, as GENR stores a value.
void cmd_derivati(Run& run);

// INTEGRAT (X, a, b) target = expression: the integral over X from a to b, stored in the
// target (a scalar or a $ result), with $VAL the integral and $STES its error estimate.
void cmd_integrat(Run& run);

} // namespace tarvex
