// The numeric inputs of LP, GAMES, QP and PORTFOLI: a variable of the list or of an option read as
// a matrix (a series or a vector as one column, a scalar as 1 by 1), refused when it is not numeric
// or holds a missing value.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct InputMatrix {
    std::string name;
    long long rows = 0, cols = 0;
    std::vector<Real> values; // row-major
};

struct InputErrors {
    int not_numeric, missing;
};

// The variable `ref` (named `name`); false, reported, when it is not a numeric variable or holds
// the missing code or a value too large for binary128.
bool read_input_matrix(Run& run, int ref, const std::string& name, const InputErrors& errors,
                       InputMatrix& out);
// The variable an option names (`keyword` for the messages); false, reported, when missing.
bool read_option_matrix(Run& run, const char* keyword, const std::string& name,
                        const InputErrors& errors, InputMatrix& out, int& ref);

} // namespace tarvex
