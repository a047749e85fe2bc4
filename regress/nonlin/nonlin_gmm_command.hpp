// NLINEAR / METHOD=GMM as a branch of NLINEAR: the checks of its options and of the block's
// INST lines, the instruments read at the equation's observations, the estimate, its report and
// the stored result.
#pragma once

#include "regress/iv/gmm_estimate.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/model_block.hpp"
#include "regress/nonlin/nonlin_options.hpp"

namespace tarvex {

struct Run;

// False (reported) when the GMM words and the INST lines do not go together: WEIGHT=, STEPS=,
// LAG= or TESTSTAT= without METHOD=GMM, an INST line without it (or after MLE), METHOD=GMM
// without an INST line or with HETCOV, a refused WEIGHT, STEPS or LAG. With METHOD=GMM
// `control` holds the choice.
bool check_nonlinear_gmm_options(Run& run, const NonlinOptions& o, const ModelBlock& block,
                                 bool likelihood, GmmControl& control);

// The variables the INST lines read (for the check that no output names an input).
std::vector<int> instrument_refs(const ModelBlock& block);

// Reads the instruments at the model's observations (those where an instrument's lag reaches
// before the data are dropped), estimates, reports and stores. `model` is compiled and bound.
void estimate_and_report_nonlinear_gmm(Run& run, EquationModel& model, const ModelBlock& block,
                                       const NonlinOptions& o, const GmmControl& control);

} // namespace tarvex
