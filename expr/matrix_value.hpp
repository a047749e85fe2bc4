// A whole matrix as MATRIX works on it: rows, columns and the elements column after column,
// with the workspace type the result is stored under (1 vector, 2 matrix, 3 symmetric,
// 4 triangle).
#pragma once

#include "core/workspace_block.hpp" // TYPE_MATRIX and the other stored types
#include "numeric/real.hpp"

#include <vector>

namespace tarvex::expr {

struct Matrix {
    long long rows = 0;
    long long cols = 0;
    int type = TYPE_MATRIX;
    std::vector<Real> v; // element (i, j), 0-based, is v[j * rows + i]

    Matrix() = default;
    Matrix(long long r, long long c, Real fill = 0)
        : rows(r), cols(c), v(static_cast<std::size_t>(r * c), fill) {}
    static Matrix scalar(Real x) { return Matrix(1, 1, x); }

    Real& operator()(long long i, long long j) { return v[static_cast<std::size_t>(j * rows + i)]; }
    Real operator()(long long i, long long j) const {
        return v[static_cast<std::size_t>(j * rows + i)];
    }
    long long size() const { return rows * cols; }
    bool is_scalar() const { return rows == 1 && cols == 1; }
    bool is_square() const { return rows == cols; }
};

} // namespace tarvex::expr
