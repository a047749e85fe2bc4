// The commands GENR, GEN1, IF, IF1, SKIPIF and ENDIF: one driver that reserves space, compiles
// the statement, places a new target, runs the program over the sample and commits the result.
#pragma once

namespace tarvex {

struct Run;

// Handler of GENR, GEN1, IF, IF1, SKIPIF and ENDIF (chosen by IKOD). An ENDIF whose condition
// holds sets run.flags.endif_hit and ends the innermost running DO loop.
void cmd_genr(Run& run);

} // namespace tarvex
