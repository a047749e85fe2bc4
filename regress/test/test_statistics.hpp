// TESTH: the statistics of one or more hypotheses f(b) = 0 from their values g, their gradient
// rows G and the coefficient covariance V: the t (or asymptotic normal) statistic of a single
// hypothesis, the F statistic, the Wald chi-square and the Chebychev bound, with their result
// scalars.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/test/test_hypotheses.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// What a test of q hypotheses finds; the report writes it and stores its result scalars.
struct TestOutcome {
    int q = 0;
    Real df = 0;
    bool asymptotic = false;
    bool done = false;   // false: the variance matrix was not positive (see `warning`)
    std::string warning; // the warning that replaces the test, with its $ERR number
    int error_number = 0;
    Real value = 0;   // g (single hypothesis)
    Real stderr_ = 0; // standard error of g (single hypothesis)
    Real t = 0;       // g / se (single hypothesis)
    Real f = 0;       // W / q
    Real wald = 0;    // W
    Real pvalue = 0;  // of the t or normal statistic (q = 1), of F (q > 1); $PVAL
    Real wald_pvalue = 0;
    // Two hypotheses: their values and variance matrix ($VAL1, $VAL2, $CT11, $CT12, $CT22).
    Real values[2] = {0, 0};
    Real variance[3] = {0, 0, 0};
};

// The statistics of the hypotheses. V is K x K row-major; `df` the error degrees of freedom;
// `asymptotic` puts normal and chi-square statistics in place of t and F. Writes nothing.
TestOutcome test_statistics(const std::vector<Hypothesis>& rows, const std::vector<Real>& v, int k,
                            Real df, bool asymptotic);
// The test's lines (none when it could not be done).
void write_test(Run& run, const TestOutcome& outcome);
// Its result scalars (none when it could not be done), in the order they are set.
std::vector<ResultScalar> test_result_scalars(const TestOutcome& outcome);
void store_test_scalars(Run& run, const TestOutcome& outcome);

// Computes and stores the result scalars; a test that cannot be done is reported (its warning
// and $ERR) through report_error and the command goes on; the statistics are written with `print`.
TestOutcome TESTH(Run& run, const std::vector<Hypothesis>& rows, const std::vector<Real>& v, int k,
                  Real df, bool asymptotic, bool print);

// Inverts the symmetric positive definite q x q matrix `a` (row-major) in place; false when a
// pivot is not above 1e-30 times its diagonal element (the matrix is singular).
bool invert_positive_definite(std::vector<Real>& a, int q);

} // namespace tarvex
