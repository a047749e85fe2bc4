// The equation of an estimator that takes "depvar indeps" from the variable list (HETERO, BOX):
// its terms read from the scanned list, the estimation range checked and the rows in use, and
// each term's values at those rows gathered for the estimator.
#pragma once

#include "numeric/real.hpp"
#include "regress/fit/estimation_equation.hpp"
#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// Scan item k (1-based) as a term: its variable, lag and the name the report prints.
OlsTerm list_term(Run& run, int k);
// The intercept term, named CONSTANT.
OlsTerm intercept_term(const Run& run);

// Scan items from..to (1-based) appended to `terms`. One that is the dependent variable `dep`
// itself writes " ...ERROR..VARIABLE name IS ON BOTH SIDES OF EQUATION" with `err_both_sides`
// and returns false.
bool append_list_terms(Run& run, const OlsTerm& dep, int from, int to, int err_both_sides,
                       std::vector<OlsTerm>& terms);

// Scan item 1 as the dependent variable of `eq`, returned as a term for the both-sides check.
OlsTerm read_dependent(Run& run, EstimationEquation& eq);

// Reads the list "depvar indeps" of an estimation command into the equation's dependent
// variable and terms, the intercept appended last when `constant`. A list without a regressor
// (counting the intercept) writes " ...ERROR..<word> NEEDS depvar indeps" with `err_no_list`; a
// regressor that is the dependent variable itself " ...ERROR..VARIABLE name IS ON BOTH SIDES OF
// EQUATION" with `err_both_sides`.
bool read_estimation_equation(Run& run, const std::string& word, bool constant, int err_no_list,
                              int err_both_sides, EstimationEquation& eq);

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
struct PlacedRows; // below
// gather_list_rows for the dependent variable of `eq` and `terms` (its terms, or them with more
// columns the command reads), the range and the observations in use recorded in `eq`. Given
// `placed`, rows that are one stretch of the work area (every observation of the range in use,
// every term a plain series over it or the intercept) are left where they lie: `placed` points
// at them (its positions empty, a null column the intercept) and rows.y and rows.x stay empty;
// else placed->y is null and the values are read into `rows`.
bool gather_equation_rows(Run& run, EstimationEquation& eq, const std::vector<OlsTerm>& terms,
                          int beg, int end, ListRows& rows, PlacedRows* placed = nullptr);
// Its two steps: the range check with the observations in use (rows.beg, rows.end, rows.obs),
// and the reading of the values into rows.y and rows.x.
bool list_rows_in_range(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                        int beg, int end, ListRows& rows);
void fill_list_rows(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                    ListRows& rows);

// Element beg - lag of a plain series (a data vector of increment 1) that holds every
// observation beg - lag .. end - lag, so that observation t of the lagged series is element
// t - beg from it; null when the variable is not such a series.
const Real* series_start(Run& run, int ref, int lag, int beg, int end);

// The rows of an equation for the estimators that read their data through the exact cross
// products (kernels/exact_gram.hpp): a pointer per term (null for the intercept) and for y at
// observation rows.beg, and the offsets from it of the rows in use (empty when every
// observation of the range is used).
struct PlacedRows {
    const Real* y = nullptr;
    std::vector<const Real*> x;
    std::vector<std::size_t> positions;
    std::size_t span = 0; // rows.end - rows.beg + 1
};
// The rows where they lie in the work area when every term is a plain series over the range;
// else their values are read into `rows` (fill_list_rows) and pointed at there, every row in
// use. The estimates are the same either way.
PlacedRows place_list_rows(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                           ListRows& rows);

} // namespace tarvex
