// The numbers a name option points at (a support matrix, a list of weights): a data vector is
// one column, a matrix its rows by columns, a symmetric or triangle matrix read whole.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct VarInfo;

struct NamedMatrix {
    long long rows = 0, cols = 0;
    std::vector<Real> values; // rows x cols, row-major
    Real at(long long r, long long c) const { return values[std::size_t(r * cols + c)]; }
};

// The elements of the numeric variable `info` (a data vector, a matrix, or a packed symmetric
// or lower-triangle matrix) into `matrix`: a data vector is one column, a matrix its rows by
// columns, a packed symmetric matrix the full square it stands for and a packed triangle the
// square with zeros above the diagonal.
void read_matrix_elements(Run& run, const VarInfo& info, NamedMatrix& matrix);

// The variable `name` given to option `keyword` read into `matrix`. A name that is not a data
// vector or matrix writes " ...ERROR..KEYWORD= VARIABLE name NOT FOUND" with `err` and returns
// false; a packed symmetric (triangle) matrix is read as the full square it stands for (zeros
// above the diagonal).
bool read_named_matrix(Run& run, const std::string& keyword, const std::string& name, int err,
                       NamedMatrix& matrix);

} // namespace tarvex
