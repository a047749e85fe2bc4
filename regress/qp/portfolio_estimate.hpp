// Mean-variance portfolios from the returns of k assets: the means and the covariance matrix
// (divisor n - 1), the minimum-variance portfolio, the frontier at target means and the
// tangency portfolio at a risk-free rate. With short sales the frontier has a closed form in
// Sigma^-1 1 and Sigma^-1 mu; without, every point is a quadratic program (the kernel's
// verified solution). Vectors in, a struct out.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct PortfolioRequest {
    std::vector<std::vector<Real>> returns; // one column per asset, the same observations
    bool noshort = false;
    std::vector<Real> targets; // empty: npoint means from the minimum variance one to the largest
    int npoint = 10;
    bool tangency = false; // the tangency portfolio at rf
    Real rf = 0;
    long long qp_step_limit = 0; // active-set steps of each program (NOSHORT); 0: the default
};

enum class PortfolioEnd { OK, FEW_OBS, SINGULAR, EQUAL_MEANS, TARGET, TANGENCY, UNSOLVED };

struct PortfolioPoint {
    std::vector<Real> weights;
    Real mean = 0, sd = 0, sharpe = 0;
};

struct Portfolios {
    PortfolioEnd end = PortfolioEnd::OK;
    int k = 0, n = 0;
    int failed = 0;  // SINGULAR: the asset whose variance the others explain (1-based)
    Real target = 0; // TARGET: the target outside [low, high]
    Real low = 0, high = 0;
    std::vector<Real> mean, sd; // per asset
    std::vector<Real> cov;      // k x k row-major
    PortfolioPoint minvar, tangency;
    bool has_tangency = false;
    std::vector<PortfolioPoint> frontier;
    long long qp_steps = 0; // active-set steps of the frontier programs (NOSHORT)
};

Portfolios mean_variance_portfolios(const PortfolioRequest& request);

} // namespace tarvex
