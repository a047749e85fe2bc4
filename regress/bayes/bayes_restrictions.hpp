// The RESTRICT lines BAYES reads up to END: each an inequality between two expressions of the
// coefficients ("X1 .GT. 0", "X1 + X2 < 1", ".GE." / ">=" and ".LE." / "<=" take the boundary
// in), compiled as TEST compiles a hypothesis, checked to be linear and to involve a
// coefficient, and turned into c + g'b > 0.
#pragma once

#include "regress/bayes/bayes_sampler.hpp"
#include "regress/test/test_hypotheses.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// A line split at its one inequality sign into "left = right" (the form TEST compiles), with
// the direction: `greater` when the left side must exceed the right. False when the line has
// no sign or more than one.
struct InequalityText {
    std::string equation;
    bool greater = true, inclusive = false;
};
bool split_inequality(std::string_view text, InequalityText& out);

// Reads the block up to END (" ENTER RESTRICT COMMANDS, THEN TYPE END" in interactive runs).
// On an error the message has been written, the rest of the block passed over, and false is
// returned.
bool read_bayes_restrictions(Run& run, const TestEquation& eq,
                             std::vector<LinearInequality>& restrictions,
                             std::vector<std::string>& texts);

// The lines of the block, passed over after an error found before the block was read.
void pass_over_bayes_restrictions(Run& run);

} // namespace tarvex
