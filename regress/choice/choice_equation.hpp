// The equation of PROBIT, LOGIT and TOBIT as the command read it: the dependent variable and the
// terms (the intercept last with CONSTANT), the range and the observations in use. The reports
// and the multinomial and ordered models take it with the ChoiceData gathered from it.
#pragma once

#include "core/command_table.hpp"
#include "regress/fit/estimation_equation.hpp"

namespace tarvex {

struct ChoiceEquation : EstimationEquation {
    int command = 0; // the slot: C_PROBIT, C_LOGIT or C_TOBIT
};

// The command word of a slot: "PROBIT", "LOGIT" or "TOBIT".
inline const char* choice_command_word(int command) {
    return command == C_PROBIT ? "PROBIT" : command == C_LOGIT ? "LOGIT" : "TOBIT";
}

} // namespace tarvex
