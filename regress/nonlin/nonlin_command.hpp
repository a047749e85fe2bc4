// NLINEAR and MLE (one handler): nonlinear least squares and maximum likelihood on an equation
// written in the expression language, read from the model block that follows the command.
#pragma once

namespace tarvex {

struct Run;

void cmd_nonlin(Run& run);

} // namespace tarvex
