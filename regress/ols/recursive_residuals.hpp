// Recursive estimation (RECURSIV): the regression refitted on the first t observations for
// t = K, K+1, ..., N, the one-step prediction error of each next observation scaled to unit
// variance (the recursive residuals), and the CUSUM and CUSUM-of-squares paths and the
// Harvey-Collier t test built from them.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct Run;
struct OlsFit;
struct CusumSquaresBounds;

struct RecursiveResiduals {
    // Row (0-based) of the first recursive residual: the first row at which the rows before it
    // determine every coefficient; n when they never do.
    int first = 0;
    std::vector<Real> w; // one per row; rows before `first` hold 0
};

// Recursive residuals of y on the K columns of X (N x K, column after column):
// w_t = (y_t - x_t'b_(t-1)) / sqrt(1 + x_t'(X_(t-1)'X_(t-1))**-1 x_t), with the triangular
// factor of the rows so far updated by plane rotations, one row at a time.
RecursiveResiduals recursive_residuals(const std::vector<Real>& x, const std::vector<Real>& y,
                                       int n, int k);

// The paths and tests derived from the recursive residuals.
struct RecursiveTests {
    int count = 0;                  // number of recursive residuals r
    Real sigma = 0;                 // sqrt(sum w**2 / r)
    std::vector<Real> standardised; // w / sigma (0 when sigma is 0)
    std::vector<Real> cusum;        // sum of w / sigma up to each residual
    std::vector<Real> bound;        // the 5% CUSUM bound 0.948 (sqrt r + 2 j / sqrt r)
    std::vector<Real> cusumsq;      // sum of w**2 up to each residual over the total
    std::vector<Real> expected;     // its expected value j / r
    int first_crossing = -1;        // index of the first |CUSUM| above its bound, or -1
    bool harvey_collier = false;    // the t test needs two residuals of some spread
    Real hc_t = 0, hc_p = 0;        // sqrt(r) mean(w) / sd(w) and its two-sided p-value
};

RecursiveTests recursive_tests(const RecursiveResiduals& rr);

// The report of the recursive estimation of a fit, whose first recursive residual stands in row
// `first` and whose residuals the fit keeps: the table of recursive residuals, CUSUM and
// CUSUMSQ and the Harvey-Collier line. With `squares` the table also holds the bounds of the
// CUSUM of squares (a `#` marks a value outside them) and their test line follows the CUSUM's.
void write_recursive_estimation(Run& run, const OlsFit& fit, int first, const RecursiveTests& t,
                                const CusumSquaresBounds* squares = nullptr);

} // namespace tarvex
