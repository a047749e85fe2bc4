// TESTH: the statistics of one or more hypotheses f(b) = 0 from their values g, their gradient
// rows G and the coefficient covariance V: the t (or asymptotic normal) statistic of a single
// hypothesis, the F statistic, the Wald chi-square and the Chebychev bound, with their result
// scalars.
#pragma once

#include "numeric/real.hpp"
#include "regress/test_hypotheses.hpp"

#include <vector>

namespace tarvex {

struct Run;

struct TestOutcome {
    bool done = false;  // false: the variance matrix was not positive (warning written)
    Real value = 0;     // g (single hypothesis)
    Real stderr_ = 0;   // standard error of g (single hypothesis)
    Real t = 0;         // g / se (single hypothesis)
    Real f = 0;         // W / q
    Real wald = 0;      // W
    Real pvalue = 0;    // of the t or normal statistic (q = 1), of F (q > 1); $PVAL
    Real wald_pvalue = 0;
};

// Computes and (with `print`) writes the statistics; sets the result scalars in any case.
// V is K x K row-major; `df` the error degrees of freedom; `asymptotic` puts normal and
// chi-square statistics in place of t and F.
TestOutcome TESTH(Run& run, const std::vector<Hypothesis>& rows, const std::vector<Real>& v,
                  int k, Real df, bool asymptotic, bool print);

// Inverts the symmetric positive definite q x q matrix `a` (row-major) in place; false when a
// pivot is not above 1e-30 times its diagonal element (the matrix is singular).
bool invert_positive_definite(std::vector<Real>& a, int q);

} // namespace tarvex
