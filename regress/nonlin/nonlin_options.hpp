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
// GQOPT, GQDFP or ANNEAL (NLINEAR's NEWTON is Levenberg-Marquardt), or NLINEAR's GMM (the
// generalised method of moments on the instruments of an INST line); PREDICT and RESID: NLINEAR
// only.
struct NonlinOptions : EstimatorOptions {
    bool HETCOV = false; // heteroskedasticity-consistent (sandwich) covariance
    Real OBJCONV = 0;    // MLE: relative change of the log-likelihood
    std::string COVTYPE; // MLE: HESSIAN, OPG or SANDWICH
    int SEED = 1;        // ANNEAL: the seed of its moves
    int ANNEALN = 0;     // ANNEAL: the evaluations it spends
    Real ANNEALT = 0;    // ANNEAL: the first temperature (0: from the objective at the start)
    // METHOD=GMM: the words of the linear GMM, with the same meanings.
    int LAG = 0; // the Newey-West lag of the moment covariance
    bool LAG_given = false;
    std::string WEIGHT; // IDENTITY, WHITE or HAC (blank: WHITE)
    std::string STEPS;  // 1, 2 or ITERATE (blank: 1 with IDENTITY, else 2)
};

const OptionTable& nonlin_option_table();
void set_nonlin_defaults(Run& run);
NonlinOptions read_nonlin_options(const Run& run);

} // namespace tarvex
