// CALLOPTI and PUTOPTIO: the value and sensitivities of a call or put, European (closed form) or
// American (binomial tree), or the volatility a European price implies.
#pragma once

namespace tarvex {

struct Run;

// The handler of both words; the command's slot says call (CALLOPTI) or put (PUTOPTIO).
void cmd_option_price(Run& run);

} // namespace tarvex
