// A variable taken out of the workspace (name, header and elements) so that it can be written
// to a file or the data bank, and put back into the workspace with exactly that shape.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct VariableCopy {
    std::string name; // at most 8 characters
    int type = 1;
    long long length = 0;
    int ncol = 1;
    int year = 0, sub = 0, frequency = 0; // TIME calendar of observation 1; frequency 0: none
    std::vector<Real> elements;
    std::vector<std::string> labels; // category labels of a coded series (code k: labels[k-1])
};

// The variable in `slot` (not a hole), with its category labels, without a calendar.
VariableCopy copy_variable(Run& run, int slot);
// Creates the variable or gives the existing one the copy's type, length, columns and
// elements; the variable takes the copy's category labels (none: it has none). False when the
// workspace cannot hold it (the report is written and the old variable is left as it was).
bool replace_variable(Run& run, const VariableCopy& var);

} // namespace tarvex
