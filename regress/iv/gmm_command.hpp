// 2SLS ... / METHOD=GMM: the checks of the GMM options (before the data are read) and the
// estimation with its report and the stored result.
#pragma once

#include "regress/iv/gmm_estimate.hpp"
#include "regress/iv/iv_options.hpp"
#include "regress/iv/iv_report.hpp"

namespace tarvex {

struct Run;

// False (reported) when an option is refused: METHOD other than GMM, WEIGHT, STEPS or LAG
// without METHOD=GMM, or with it a bad word, a lag that does not go with the weight, a
// covariance option of two-stage least squares, or MAXIT or CONVERGE out of range. With
// METHOD=GMM `control` holds the choice.
bool check_gmm_options(Run& run, const IvOptions& o, GmmControl& control);

void estimate_and_report_gmm(Run& run, const IvEquation& eq, const IvData& data,
                             const GmmControl& control, const IvOptions& o);

} // namespace tarvex
