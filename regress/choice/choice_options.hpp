// The options of PROBIT, LOGIT and TOBIT (one table for the three), their defaults, and the
// values the command reads from the option set. The ordered and multinomial models take the same
// options.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// METHOD: NEWTON, BHHH, BFGS or DFP.
struct ChoiceOptions : EstimatorOptions {
    bool HETCOV = false;  // sandwich covariance
    bool ORDERED = false; // PROBIT, LOGIT: the ordered model
    // TOBIT's censoring: from below at LOWER, from above at UPPER. Neither given: from below at 0.
    TobitCensoring censoring;
    std::string INDEX;           // ORDERED: the index x'b by observation
    std::string WEIGHT;          // frequency weights by observation (blank: none)
    std::string MARGEFF, MARGSE; // the marginal effects at the means and their errors
    std::string PROBS;           // ORDERED, multinomial: the fitted probability of each outcome
    bool CLHC0 = false;          // CLUSTER without the small-sample correction
    std::string CLUSTER;         // cluster variable (blank: none)
    std::string covariance_note; // CLUSTER: the report's covariance line
};

const OptionTable& choice_option_table();
void set_choice_defaults(Run& run);
ChoiceOptions read_choice_options(const Run& run);

} // namespace tarvex
