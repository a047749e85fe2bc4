// The report of SYSTEM: the method, the declared variables, the instruments and identities,
// how the iteration ended (ITSUR), each equation's summary and coefficient table, and the
// cross-equation covariance and correlation matrices of the residuals. It writes the estimate
// and changes nothing. Also the names the stored estimation gives the coefficients (each with
// its equation's number, so that TEST can restrict coefficients across equations) and the
// output variables of each equation.
#pragma once

#include "regress/fit/ols_fit.hpp"
#include "regress/system/system_block.hpp"
#include "regress/system/system_estimate.hpp"
#include "regress/system/system_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The system as the command read it: the block, each equation's terms with the intercept, the
// instruments (3SLS) and the rows in use.
struct SystemModel {
    SystemBlock block;
    std::vector<std::vector<OlsTerm>> regressors; // by equation, the intercept last
    std::vector<OlsTerm> instruments;
    std::vector<int> obs;
    int beg = 0, end = 0;
    // Each equation's label: its number, or under DEPNAMES its dependent variable's name (cut to
    // six columns, so that a name and "_" with it fit eight).
    std::vector<std::string> labels;
    bool named = false;
};

// Labels the equations of the model's block by number, or by dependent variable when `named`.
void label_equations(SystemModel& model, bool named);

// The name TEST knows coefficient `term` of equation `i` (0-based) by: the term's name cut to
// leave room for "_" and the equation's label ("P_1", "CONSTA_2"; "P_Q" under DEPNAMES).
std::string system_parameter_name(const SystemModel& model, const std::string& term, int i);
// Every coefficient's name, equation after equation.
std::vector<std::string> system_parameter_names(const SystemModel& model);
// Output variable `base` with equation `i`'s number appended ("FIT1"), or under DEPNAMES "_"
// and its label ("FIT_Q"), cut to 8 columns.
std::string system_equation_variable(const SystemModel& model, const std::string& base, int i);

// Prints an estimate whose record the command has named (the coefficient matrices take its names).
void report_system(Run& run, const SystemModel& model, const SystemEstimate& e,
                   const SystemOptions& o);

} // namespace tarvex
