// BAYES depvar indeps / options, then RESTRICT lines up to END: the posterior of the
// coefficients of a linear regression under inequality restrictions on them.
#pragma once

namespace tarvex {

struct Run;

void cmd_bayes(Run& run);

} // namespace tarvex
