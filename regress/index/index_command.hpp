// INDEX p1 q1 p2 q2 ... / options: price and quantity index numbers of the goods whose price and
// quantity series are listed in pairs.
#pragma once

namespace tarvex {

struct Run;

void cmd_index(Run& run);

} // namespace tarvex
