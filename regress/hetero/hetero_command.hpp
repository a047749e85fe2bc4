// HETERO depvar indeps [; zvars] / options: the linear regression with multiplicative
// heteroskedasticity by maximum likelihood.
#pragma once

namespace tarvex {

struct Run;

void cmd_hetero(Run& run);

} // namespace tarvex
