// The TEST command: a single hypothesis on its own line, or (bare TEST) a block of TEST lines
// up to END tested jointly; and the block reader that the estimators' RESTRICT option shares.
#pragma once

#include "regress/test/test_hypotheses.hpp"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// Handler of TEST.
void cmd_test(Run& run);

// Reads the lines of an open block up to END: each TEST or RESTRICT line becomes one
// hypothesis on `eq` (at most as many as coefficients). On an error the message has been
// written, the rest of the block's TEST and RESTRICT lines up to END are passed over, and
// false is returned.
bool read_hypothesis_block(Run& run, const TestEquation& eq, std::vector<Hypothesis>& rows);

// The same reader handing the text of each TEST or RESTRICT line to `take` (at most `most`
// lines), which returns false after writing why it refuses the line.
bool read_statement_block(Run& run, std::size_t most,
                          const std::function<bool(std::string_view text)>& take);

} // namespace tarvex
