// The equation of an estimator that takes "depvar indeps" from the variable list (HETERO, BOX):
// its terms read from the scanned list, the estimation range checked and the rows in use, and
// each term's values at those rows gathered for the estimator.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// Scan item k (1-based) as a term: its variable, lag and the name the report prints.
OlsTerm list_term(Run& run, int k);
// The intercept term, named CONSTANT.
OlsTerm intercept_term(const Run& run);

// The rows of an equation: the dependent variable (ref, lag) and the terms.
struct ListRows {
    int beg = 0, end = 0;
    std::vector<int> obs;             // observations in use, ascending
    std::vector<Real> y;              // the dependent variable at obs
    std::vector<std::vector<Real>> x; // one column per term, at obs
};

// Checks the range BEG..END (END < 1: the sample's end; the start moved past the largest lag)
// with CKSMPL over the variables of the dependent variable and `terms`, and gathers the rows
// in use. False when CKSMPL stopped the command.
bool gather_list_rows(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                      int beg, int end, ListRows& rows);

} // namespace tarvex
