// POOL depvar indeps / options: least squares on a panel of cross-sections (pooled, fixed
// effects or random effects).
#pragma once

namespace tarvex {

struct Run;

void cmd_pool(Run& run);

} // namespace tarvex
