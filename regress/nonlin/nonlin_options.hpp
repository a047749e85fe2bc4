// The options of NLINEAR and MLE (one table for both), their defaults and the values a command
// reads from the option set.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// CONVERGE: the relative change of every parameter; METHOD: NEWTON, BHHH, BFGS, DFP, GRADX,
// GQOPT, GQDFP or ANNEAL (NLINEAR's NEWTON is Levenberg-Marquardt); PREDICT and RESID: NLINEAR
// only.
struct NonlinOptions : EstimatorOptions {
    bool HETCOV = false; // heteroskedasticity-consistent (sandwich) covariance
    Real OBJCONV = 0;    // MLE: relative change of the log-likelihood
    std::string COVTYPE; // MLE: HESSIAN, OPG or SANDWICH
    int SEED = 1;        // ANNEAL: the seed of its moves
    int ANNEALN = 0;     // ANNEAL: the evaluations it spends
    Real ANNEALT = 0;    // ANNEAL: the first temperature (0: from the objective at the start)
};

const OptionTable& nonlin_option_table();
void set_nonlin_defaults(Run& run);
NonlinOptions read_nonlin_options(const Run& run);

} // namespace tarvex
