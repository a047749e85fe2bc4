// PORTFOLI: mean-variance portfolios of a list of return series (PORTFOLI r1 r2 ... / options).
#pragma once

namespace tarvex {

struct Run;
void cmd_portfoli(Run& run);

} // namespace tarvex
