// The numeric inputs of LP, GAMES, QP and PORTFOLI: a variable of the list or of an option read as
// a matrix (a series or a vector as one column, a scalar as 1 by 1), refused when it is not numeric
// or holds a missing value.
#pragma once

#include "kernels/linear_program.hpp"
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
    int shape = 0; // a matrix of the wrong shape (for the readers that check shapes)
};

// The variable `ref` (named `name`); false, reported, when it is not a numeric variable or holds
// the missing code or a value too large for binary128.
bool read_input_matrix(Run& run, int ref, const std::string& name, const InputErrors& errors,
                       InputMatrix& out);
// The variable an option names (`keyword` for the messages); false, reported, when missing.
bool read_option_matrix(Run& run, const char* keyword, const std::string& name,
                        const InputErrors& errors, InputMatrix& out, int& ref);

// Whether `m` is a row or a column of n elements.
bool is_vector_of(const InputMatrix& m, long long n);
// " ...ERROR..name IS r BY c, NOT wanted" with errors.shape; false.
bool input_shape_error(Run& run, const InputMatrix& m, const std::string& wanted,
                       const InputErrors& errors);

// The rows' senses and the variables' bounds of a linear or quadratic program, from the options
// TYPES= (one code a row: -1 <=, 0 =, 1 >=; all <= when blank), LOWER= and UPPER= (one bound a
// variable; blank: `default_lower` and no upper bound). A bound at or beyond 1E30 in size is no
// bound (an infinity). The variables the options name join `inputs`.
struct ProgramLimitNames {
    std::string types, lower, upper;
};
struct ProgramLimitErrors {
    InputErrors input;
    int types;  // a code other than -1, 0 or 1
    int bounds; // a lower bound above its upper bound
};
struct ProgramLimits {
    std::vector<RowSense> sense;
    std::vector<Real> lower, upper;
};
bool read_program_limits(Run& run, const ProgramLimitNames& names, long long rows, long long cols,
                         Real default_lower, const ProgramLimitErrors& errors, ProgramLimits& out,
                         std::vector<int>& inputs);

} // namespace tarvex
