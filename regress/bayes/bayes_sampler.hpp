// The posterior of the linear model's coefficients under linear inequality restrictions, by
// acceptance sampling. Under the diffuse prior p(b, s) ~ 1/s the unrestricted posterior of b is
// multivariate t with mean b^ (least squares), scale s**2 (X'X)**-1 and n - k degrees of
// freedom. Each draw takes one uniform u and k normals z from the generator, in that order:
// w = the chi-square(n - k) quantile of u, d = L z sqrt((n - k) / w) with L L' the scale, and
// tries b = b^ + d (and b = b^ - d with antithetic pairs). The draws that satisfy every
// restriction are kept; their moments are the posterior moments under the restrictions, and the
// share kept estimates the posterior probability that the restrictions hold. Numerical standard
// errors treat each draw (or antithetic pair) as one independent unit of a ratio estimate.
// The sampler writes nothing.
#pragma once

#include "numeric/random_numbers.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// One restriction c + g'b > 0 (>= 0 when `inclusive`).
struct LinearInequality {
    std::vector<Real> gradient; // g, one per coefficient
    Real constant = 0;          // c
    bool inclusive = false;
};

struct BayesModel {
    std::vector<Real> coef;  // b^, k
    std::vector<Real> scale; // s**2 (X'X)**-1, k x k row-major
    Real df = 0;             // n - k
    std::vector<LinearInequality> restrictions;
};

struct BayesPosterior {
    bool factored = true;       // false: the scale matrix is not positive definite
    long long tried = 0;        // coefficient vectors tried (2 x draws with antithetic pairs)
    long long accepted = 0;     // those that satisfied the restrictions
    Real probability = 0;       // accepted / tried
    Real probability_nse = 0;   // its numerical standard error
    std::vector<Real> mean, sd; // posterior means and standard deviations under the restrictions
    std::vector<Real> mean_nse; // numerical standard errors of the means
    std::vector<Real> cov;      // posterior covariance, k x k row-major
};

BayesPosterior sample_posterior(const BayesModel& model, long long draws, bool antithetic,
                                expr::RandomGenerator& rng);

} // namespace tarvex
