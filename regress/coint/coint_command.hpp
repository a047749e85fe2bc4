// COINTEGR: the cointegration tests (this version does not provide them).
#pragma once

namespace tarvex {

struct Run;

void cmd_cointegr(Run& run);

} // namespace tarvex
