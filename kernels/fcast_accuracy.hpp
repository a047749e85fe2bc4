// Forecast-accuracy statistics of observed values y and predictions p (errors e = y - p):
// mean error, SSE, MSE, MAE, RMSE, the mean squared percentage error, Theil's inequality
// coefficient U and the two decompositions of the mean square error.
#pragma once

#include "numeric/real.hpp"

#include <memory>
#include <vector>

namespace tarvex {

struct FcastAccuracy {
    int n = 0;
    Real mean_error = 0, sse = 0, mse = 0, mae = 0, rmse = 0;
    // 100/m * sum (e/y)**2 over the m observations with y not zero (0 when there are none).
    Real mspe = 0;
    // Theil (1961): U = RMSE / (sqrt(mean y**2) + sqrt(mean p**2)), between 0 and 1.
    Real theil_u = 0;
    // MSE = (mean p - mean y)**2 + (s_p - s_y)**2 + 2(1 - r) s_p s_y
    //     = (mean p - mean y)**2 + (s_p - r s_y)**2 + (1 - r**2) s_y**2,
    // with standard deviations s (divisor n) and r the correlation of p and y; each part is
    // given as its proportion of MSE (all 0 when MSE is 0); the bias share is the same in both.
    Real bias = 0, variance = 0, covariance = 0;
    Real bias_second = 0, regression = 0, disturbance = 0; // second decomposition
};

FcastAccuracy forecast_accuracy(const std::vector<Real>& observed,
                                const std::vector<Real>& predicted);

// The same statistics from rows added a block at a time: every sum is exact, so the result has
// the bits of forecast_accuracy over all the rows at once, wherever the blocks are cut.
class FcastAccuracySums {
public:
    FcastAccuracySums();
    ~FcastAccuracySums();
    void add(const Real* observed, const Real* predicted, std::size_t n);
    long long rows() const { return n_; }
    FcastAccuracy result() const;

private:
    struct Sums;
    std::unique_ptr<Sums> sums_;
    long long n_ = 0, nonzero_ = 0; // rows, and rows with y not zero
};

} // namespace tarvex
