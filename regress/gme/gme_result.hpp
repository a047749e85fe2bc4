// The value GME leaves as the last estimation: the coefficients with the asymptotic covariance
// sigma2_beta (X'X)**-1, normal ratios, X b and y - X b, and the result scalars.
#pragma once

#include "regress/fit/model_result.hpp"
#include "regress/gme/gme_estimate.hpp"

namespace tarvex {

ModelResult gme_model_result(const GmeData& data, const GmeEstimate& estimate);

} // namespace tarvex
