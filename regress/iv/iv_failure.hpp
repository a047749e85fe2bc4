// Why an instrumental-variables estimation failed, as its message and $ERR number: shared by
// two-stage least squares and GMM, which starts from it.
#pragma once

#include "regress/fit/model_result.hpp"
#include "regress/iv/iv_estimate.hpp"
#include "regress/iv/iv_report.hpp"

namespace tarvex {

EstimationFailure iv_failure(const IvEquation& eq, const IvEstimate& e);

} // namespace tarvex
