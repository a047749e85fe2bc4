// The ordered probit and ordered logit: outcome y_i in ordered categories 0..J (the sorted
// distinct values of the dependent variable), from a latent index x_i'b cut at mu_1 < ... < mu_J:
//   P(y_i = j) = F(mu_{j+1} - x_i'b) - F(mu_j - x_i'b),   mu_0 = -inf, mu_{J+1} = +inf,
// F the standard normal or logistic distribution function. The cut points take the place of
// the intercept, which is dropped from the index. Maximum likelihood by Newton's method on the
// exact Hessian, from b = 0 and the cut points that fit the shares of the categories; every
// step keeps the cut points in order. The estimator writes nothing.
#pragma once

#include "kernels/maximize_likelihood.hpp"
#include "numeric/real.hpp"
#include "regress/choice/category_fit.hpp"
#include "regress/choice/choice_data.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/fit/report_notes.hpp"

#include <string>
#include <vector>

namespace tarvex {

enum class OrderedLink { PROBIT, LOGIT };

struct OrderedEstimate {
    CategoryFitEnd end = CategoryFitEnd::CONVERGED;
    int bad_row = -1;    // NOT_INTEGER, UNDEFINED: the row (0-based)
    Real bad_value = 0;  // NOT_INTEGER: its value
    int bad_column = -1; // SINGULAR: the regressor (column of the data); -1 a cut point
    int certain = 0;     // SEPARATION: rows whose outcome has probability 1 at the last iterate
    MaximizeMethod method = MaximizeMethod::NEWTON; // as the control asked
    bool sandwich = false;                          // the covariance H^-1 OPG H^-1
    int iterations = 0;
    std::vector<MaximizeIteration> history;
    ReportNotes notes; // the intercept dropped

    int n = 0;
    std::vector<int> slope_columns; // the data's columns in the index, in order (no intercept)
    std::vector<Real> values;       // the categories' values, increasing
    std::vector<int> counts;        // observations per category
    // The slopes, then the cut points mu_1 .. mu_J; cov P x P row-major, P = slopes + cuts.
    std::vector<Real> coef, cov, se, tstat;
    Real llf = 0;
    Real llf_constant = 0;      // cut points only: sum n_j log(n_j / N)
    std::string constant_label; // the model of the constants alone, as the report names it
    Real lr = 0, lr_pvalue = 0;
    int lr_df = 0;
    std::string lr_label;     // what the likelihood-ratio test tests
    Real pseudo_r2 = 0;       // McFadden's: 1 - llf / llf_constant
    Real percent_correct = 0; // outcomes that are the most probable one, in percent
    std::vector<Real> index;  // N: x_i'b
    std::vector<std::vector<Real>> probability; // one column of N values per category
    std::vector<int> predicted; // N: the most probable category (index into `values`)
    // What is stored (choice_result.hpp: fill_category_result), the model "ORDERED PROBIT" or
    // "ORDERED LOGIT"; the index x'b is not part of it.
    ModelResult result;
    int slopes() const { return static_cast<int>(slope_columns.size()); }
    int cuts() const { return static_cast<int>(values.size()) - 1; }
};

OrderedEstimate estimate_ordered_choice(const ChoiceData& data, OrderedLink link,
                                        const ChoiceControl& control);

} // namespace tarvex
