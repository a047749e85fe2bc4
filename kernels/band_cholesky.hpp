// Symmetric positive definite band matrices: the Cholesky factor in the band's own storage and
// solves with it, in O(n w^2) and O(n w) for n rows and half-width w. The Denton distribution
// solves its smoothing system with it.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

// Element (i, i-d) of the lower triangle for d = 0..width; elements outside the band are zero.
class SymmetricBand {
public:
    SymmetricBand(int n, int width)
        : n_(n), width_(width), values_(std::size_t(n) * std::size_t(width + 1), Real(0)) {}
    int size() const { return n_; }
    int width() const { return width_; }
    Real& at(int i, int d) { return values_[std::size_t(i) * std::size_t(width_ + 1) + d]; }
    Real at(int i, int d) const { return values_[std::size_t(i) * std::size_t(width_ + 1) + d]; }

private:
    int n_, width_;
    std::vector<Real> values_;
};

// Replaces the matrix by its lower factor L (A = L L'). False when a pivot is not positive.
bool band_cholesky(SymmetricBand& a);
// b := (L L')^-1 b with the factor of band_cholesky.
void band_cholesky_solve(const SymmetricBand& factor, std::vector<Real>& b);

} // namespace tarvex
