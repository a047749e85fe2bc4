// The model block that NLINEAR and MLE read after their command line: COEFFICI lines naming the
// parameters with their starting values ("COEFFICI A 1.5 B -2", or "A = 1.5"), EQ lines giving
// the equation, INST lines naming the instruments of NLINEAR / METHOD=GMM, and END. The block is
// read through the command reader, as TEST reads its own.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct ModelBlock {
    std::vector<std::string> names; // upper case, as typed (at most 8 characters)
    std::vector<Real> start;
    std::vector<std::string> equations; // the text after each EQ
    std::vector<OlsTerm> instruments;   // the variables of the INST lines, in order
    int instrument_lines = 0;
};

// Reads the block up to END. False after an error (reported; the rest of the block passed
// over, so that its lines do not run as commands of their own).
bool read_model_block(Run& run, ModelBlock& block);

} // namespace tarvex
