// FUZZY depvar indeps / [H=level] options: fuzzy linear regression with symmetric triangular
// fuzzy coefficients, the least total spread that holds every observation in the h-level band.
#pragma once

namespace tarvex {

struct Run;

void cmd_fuzzy(Run& run);

} // namespace tarvex
