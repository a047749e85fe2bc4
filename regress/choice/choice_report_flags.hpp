// What the discrete-choice reports are asked to print, and where their estimations are stored:
// the printing options of PROBIT and LOGIT, and the command's name, dependent variable, sample
// and output variable names for the stored estimation.
#pragma once

#include "kernels/maximize_likelihood.hpp"

#include <string>

namespace tarvex {

struct ChoiceReportFlags {
    bool PCOV = false;  // the covariance matrix of the coefficients
    bool PCOR = false;  // their correlation matrix
    bool WIDE = false;  // the wide coefficient table
    bool PITER = false; // the log-likelihood and the parameters at every iteration
};

struct ChoiceOutputs {
    std::string command;          // the estimation's name as TEST and FCAST see it ("LOGIT")
    int dep_ref = 0, dep_lag = 0; // the dependent variable's reference and lag
    int beg = 0, end = 0;         // the sample; `end` is the length of the by-observation outputs
    // Blank-padded names; blank when not asked for. PREDICT: the most probable outcome's value;
    // INDEX: the ordered models' index x'b.
    std::string PREDICT, INDEX, COEF, STDERR, TRATIO, COVARIAN;
};

// The maximisation method as the reports name it.
const char* maximize_method_name(MaximizeMethod method);

} // namespace tarvex
