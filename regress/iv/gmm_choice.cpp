// Reading WEIGHT=, STEPS= and LAG= into the GMM weight and steps.
#include "regress/iv/gmm_choice.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

bool gmm_word_refusal(Run& run, const std::string& text, int number) {
    report_error(run, " ...ERROR.." + text, number);
    return false;
}

} // namespace

bool choose_gmm_weight(Run& run, const GmmWords& words, const GmmWordErrors& errors,
                       GmmControl& control) {
    if (words.weight.empty() || words.weight == "WHITE")
        control.weight = GmmWeight::WHITE;
    else if (words.weight == "HAC")
        control.weight = GmmWeight::HAC;
    else if (words.weight == "IDENTITY")
        control.weight = GmmWeight::IDENTITY;
    else
        return gmm_word_refusal(
            run, "WEIGHT=" + words.weight + ": THE GMM WEIGHT IS IDENTITY, WHITE OR HAC",
            errors.weight);
    const bool identity = control.weight == GmmWeight::IDENTITY;
    if (words.steps.empty())
        control.steps = identity ? GmmSteps::ONE : GmmSteps::TWO;
    else if (words.steps == "1")
        control.steps = GmmSteps::ONE;
    else if (words.steps == "2")
        control.steps = GmmSteps::TWO;
    else if (words.steps == "ITERATE")
        control.steps = GmmSteps::ITERATE;
    else
        return gmm_word_refusal(run, "STEPS=" + words.steps + ": THE GMM STEPS ARE 1, 2 OR ITERATE",
                                errors.steps);
    if (identity && control.steps != GmmSteps::ONE)
        return gmm_word_refusal(run,
                                "WEIGHT=IDENTITY IS ONE STEP: STEPS=2 AND ITERATE NEED "
                                "WEIGHT=WHITE OR HAC",
                                errors.identity_steps);
    if (words.lag_given && words.lag < 0) return bad_option_value(run, "LAG", errors.negative_lag);
    if (control.weight == GmmWeight::HAC && words.lag < 1)
        return gmm_word_refusal(run, "WEIGHT=HAC NEEDS LAG=L, ITS NEWEY-WEST LAG, 1 OR MORE",
                                errors.hac_lag);
    if (control.weight == GmmWeight::WHITE && words.lag > 0)
        return gmm_word_refusal(run, "LAG=" + std::to_string(words.lag) + " GOES WITH WEIGHT=HAC",
                                errors.white_lag);
    control.lags = words.lag;
    return true;
}

} // namespace tarvex
