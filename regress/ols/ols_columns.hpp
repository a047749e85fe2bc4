// The data of an OLS equation read where they lie in the work area, for the exact cross-product
// fit (kernels/gram_cholesky.hpp) and its residual pass (kernels/gram_residuals.hpp): one
// pointer per regressor (null for the constant) and one for the dependent variable, each
// shifted by its lag, read at the observations in use. Nothing the size of the data is copied.
// The IMLS trend is the one column made for the fit (the observation numbers of the range); a
// logged dependent variable is read from the fit's y (spread over the range when rows skip);
// weights enter as row factors, the square roots of their absolute values. An equation whose
// values cannot all be read in place (logged regressors, a lag or a range that reaches outside
// a variable, a variable that is not a plain series) is gathered as before, and so is a short
// one: below
// IN_PLACE_MIN_ROWS observations the copy costs next to nothing and the gathered solvers
// (modified Gram-Schmidt for GS) keep every result they gave to the last bit.
#pragma once

#include "kernels/exact_gram.hpp"
#include "regress/fit/ols_fit.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct Run;

// Observations from which GS and NORMAL read the columns in place.
inline constexpr int IN_PLACE_MIN_ROWS = 65536;

struct PlacedColumns {
    GramColumns data;              // the K regressors, then y
    std::vector<std::size_t> rows; // offsets from the first observation of the range of the
                                   // rows in use; empty when the range is used whole
    std::size_t span = 0;          // observations in the range (end - beg + 1)
    std::vector<Real> trend;       // the trend column over the range (IMLS), else empty
    std::vector<Real> root_weight; // sqrt|w| over the range (WEIGHT), else empty
    std::vector<Real> dependent;   // the logged y over the range when rows skip, else empty
    bool placed() const { return !data.columns.empty(); }
};

// Whether the sample is long enough (IN_PLACE_MIN_ROWS), the regressors not logged
// and the options content with the cross products and the residuals (no gathered rows for
// robust covariance, hat values, influence, recursive residuals, Hall-Pagan, restrictions,
// given coefficients, polynomial lags, ridge or Householder).
bool fits_in_place(const OlsFit& fit, const OlsOptions& o);

// The columns of `fit` (whose obs list is loaded) in place; false, `out` left empty, when a term
// cannot be read where it lies.
bool place_columns(Run& run, const OlsFit& fit, PlacedColumns& out);

// Points the dependent column at the logged y of the fit (fit.y, one value per row in use).
void place_logged_dependent(const OlsFit& fit, PlacedColumns& cols);

// Takes the rows in use again from fit.obs (after observations were dropped for their weight)
// and the row factors sqrt|w| from the weights of those rows (fit.w, in order).
void weight_rows(const OlsFit& fit, PlacedColumns& cols);

// The values of column c at the rows in use, in order (a copy when rows skip or for the
// constant; else the pointer into the work area). `scratch` holds the copy.
const Real* rows_of_column(const PlacedColumns& cols, int c, std::vector<Real>& scratch);

// Moves the values written at the range positions of the rows in use (by the residual pass) to
// the front of `values`, in order, and cuts it to the rows in use.
void compact_to_rows(const PlacedColumns& cols, std::vector<Real>& values);

} // namespace tarvex
