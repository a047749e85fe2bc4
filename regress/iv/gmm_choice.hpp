// The GMM weight and steps chosen by the words WEIGHT=, STEPS= and LAG=, shared by the linear
// (2SLS / METHOD=GMM) and the nonlinear (NLINEAR / METHOD=GMM) estimators: the same words, the
// same meanings and the same messages, each command with its own $ERR numbers.
#pragma once

#include "regress/iv/gmm_estimate.hpp"

#include <string>

namespace tarvex {

struct Run;

struct GmmWords {
    std::string weight; // IDENTITY, WHITE or HAC (blank: WHITE)
    std::string steps;  // 1, 2 or ITERATE (blank: 1 with IDENTITY, else 2)
    int lag = 0;
    bool lag_given = false;
};

// The $ERR number of each refusal.
struct GmmWordErrors {
    int weight = 0;         // WEIGHT= not IDENTITY, WHITE or HAC
    int steps = 0;          // STEPS= not 1, 2 or ITERATE
    int identity_steps = 0; // STEPS=2 or ITERATE with WEIGHT=IDENTITY
    int negative_lag = 0;   // LAG below 0 (IN RIGHT HAND SIDE OF OPTION..LAG)
    int hac_lag = 0;        // WEIGHT=HAC without a lag of 1 or more
    int white_lag = 0;      // a lag with WEIGHT=WHITE
};

// Sets control.weight, control.steps and control.lags from the words; false (reported) when a
// word or the lag is refused.
bool choose_gmm_weight(Run& run, const GmmWords& words, const GmmWordErrors& errors,
                       GmmControl& control);

} // namespace tarvex
