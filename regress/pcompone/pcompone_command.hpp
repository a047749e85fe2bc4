// PCOMPONE x1 x2 ... / options: principal components of the listed series.
#pragma once

namespace tarvex {

struct Run;

void cmd_pcompone(Run& run);

} // namespace tarvex
