// The commands GENR, GEN1, IF, IF1, SKIPIF and ENDIF: one driver that reserves space, compiles
// the statement, places a new target, runs the program over the sample and commits the result.
#pragma once

#include <string_view>

namespace tarvex {

struct Run;

namespace expr {
struct Program;
struct TransRange;
} // namespace expr

// A GENR whose right side reads series bound to a file on disk, run by the layer that reads
// those series (bound/): the compiler asks it for the reference of each bound name, and when
// the statement reads one the driver hands it the compiled statement instead of running it.
class OutsideSeriesGenr {
public:
    virtual ~OutsideSeriesGenr() = default;
    // The reference a bound name read by the statement is compiled as (0: refused).
    virtual int reference(Run& run, std::string_view name) = 0;
    // Whether the statement read a bound name.
    virtual bool used() const = 0;
    // Runs the compiled statement over the range and stores its target.
    virtual void run(Run& run, const expr::Program& program, const expr::TransRange& range) = 0;
};

// Handler of GENR, GEN1, IF, IF1, SKIPIF and ENDIF (chosen by IKOD). An ENDIF whose condition
// holds sets run.flags.endif_hit and ends the innermost running DO loop.
void cmd_genr(Run& run);

// The same, with GENR reading series bound to a file through `outside` (the other commands
// refuse them).
void run_genr(Run& run, OutsideSeriesGenr* outside);

} // namespace tarvex
