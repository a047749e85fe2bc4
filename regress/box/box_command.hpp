// BOX depvar indeps / options: Box-Cox regression by maximum likelihood.
#pragma once

namespace tarvex {

struct Run;

void cmd_box(Run& run);

} // namespace tarvex
