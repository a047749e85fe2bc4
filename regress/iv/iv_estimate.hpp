// Two-stage least squares for one equation y = X b + u with instruments Z (the included
// exogenous regressors among them): b = (X^'X^)**-1 X^'y with X^ = Z (Z'Z)**-1 Z'X. One pass
// over the data forms the exact cross products of [Z X_endogenous y]; every fit after it
// (first stages, second stage, the auxiliary regressions of the tests) is solved from that
// matrix; a second pass forms the structural residuals u = y - Xb, and, for the robust
// covariance, a third the instruments' products weighted by the squared residuals. The
// estimator writes nothing: it returns the estimates, their covariance, the first-stage F
// statistics, the Wu-Hausman test of exogeneity and the tests of the over-identifying
// restrictions (Sargan; Hansen's J with the robust covariance), the tests also as the record's
// named statistics in report order.
#pragma once

#include "kernels/exact_gram.hpp"
#include "kernels/gram_residuals.hpp"
#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"
#include "regress/fit/covariance_choice.hpp"
#include "regress/fit/model_result.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct IvData {
    std::size_t n = 0;
    const Real* y = nullptr;
    // The distinct columns the equation uses (null: the constant).
    std::vector<const Real*> columns;
    std::vector<int> regressors;  // K: the column of each regressor
    std::vector<int> instruments; // L: the column of each instrument
    // Optional positions of the n rows in the columns (rows[i] for the i-th row; null: i), and
    // the columns' length then (the largest position + 1).
    const std::size_t* rows = nullptr;
    std::size_t span = 0;
    std::size_t at(std::size_t i) const { return rows != nullptr ? rows[i] : i; }
};

struct IvControl {
    bool robust = false; // heteroskedasticity-consistent covariance (White)
    int lags = 0;        // with `robust`: Newey-West terms for lags 1..lags (Bartlett weights)
    CovarianceChoice covariance; // HC1-HC3 or CLUSTER in place of the covariance above
    ClusterRows clusters;        // CLUSTER: the cluster of each row
};

enum class IvEnd {
    OK,
    UNDERIDENTIFIED,       // fewer excluded instruments than endogenous regressors
    INSTRUMENTS_COLLINEAR, // an instrument is a combination of the ones before it
    REGRESSORS_COLLINEAR,  // the projected regressors are collinear (bad_column a regressor)
    TOO_FEW,               // fewer observations than instruments
    NON_FINITE,            // a value is infinite or not a number
    OUT_OF_RANGE,          // the squares of a column overflow or underflow (bad_column: the
                           // instrument, L + j: endogenous regressor j, L + endogenous: y)
};

// A test statistic with its degrees of freedom and tail probability.
struct IvStatistic {
    Real value = 0, pvalue = 1;
    int df1 = 0, df2 = 0;
    bool available = false;
};

struct IvEstimate {
    IvEnd end = IvEnd::OK;
    int bad_column =
        -1; // INSTRUMENTS_COLLINEAR: the instrument; REGRESSORS_COLLINEAR: the regressor
    bool too_large = false;      // OUT_OF_RANGE: the squares overflow (else they underflow)
    int n = 0, k = 0, l = 0;     // also when the estimation fails (the TOO_FEW message)
    std::vector<int> endogenous; // the regressors that are not instruments
    int excluded = 0;            // instruments that are not regressors
    // The estimates: coefficients, covariance (K x K row-major, the sandwich under `robust`),
    // (X^'X^)**-1 as xtx_inv, ratios and p-values, fitted values Xb and structural residuals
    // y - Xb, N, K, df, SSE, SST, R-square and sigma; the tests below as named statistics
    // (FIRST-STAGE F per endogenous regressor, WU-HAUSMAN, SARGAN, HANSEN J), the scalars.
    ModelResult result;
    std::vector<Wide> coef_wide;
    Real sigma2 = 0, adjr2 = 0, ymean = 0;
    bool centred = false; // a constant among the regressors: R-squared about the mean
    std::vector<IvStatistic> first_stage; // one per endogenous regressor: F of the excluded
    IvStatistic wu_hausman; // F: the first-stage residuals added to the OLS regression
    IvStatistic sargan;     // N u'Pu / u'u, chi-square with L - K degrees of freedom
    IvStatistic hansen;     // robust: two-step GMM J, chi-square with L - K degrees of freedom
    bool exact_fit = false; // u'u at most 1E-30 of y'y: the tests above would test rounding noise
    bool robust = false;
    std::string covariance_note; // HC1-HC3 or CLUSTER: the report's covariance line
    int lags = 0;
    // The exact cross products of [Z X_endogenous y] and each regressor's column in them, for
    // the estimators that start from two-stage least squares (GMM).
    GramMatrix gram;
    std::vector<int> x_columns;
};

IvEstimate estimate_iv(const IvData& data, const IvControl& control);

// The equation's layout without its rows: for the estimate over rows read a block at a time.
struct IvLayout {
    std::size_t n = 0;            // the rows in use
    std::vector<int> regressors;  // K: the distinct column of each regressor
    std::vector<int> instruments; // L: the distinct column of each instrument
    std::vector<bool> constant;   // per distinct column: the column of ones
};

// The two passes over the rows the estimate makes, wherever the rows lie. Columns are the
// distinct columns of the layout, -1 standing for y.
class IvPasses {
public:
    virtual ~IvPasses() = default;
    // The exact cross products of `columns` in that order; false when a read failed.
    virtual bool cross_products(const std::vector<int>& columns, GramMatrix& gram) = 0;
    // The residuals y - x'b of every row (x the regressor `columns`, b `coef`), each the exact
    // value rounded once: their exact sum of squares rounded once, and whether every value was
    // finite; false when a read failed.
    virtual bool residuals(const std::vector<int>& columns, const std::vector<Wide>& coef,
                           ResidualSums& sums) = 0;
};

// estimate_iv over `passes`, with the classical covariance only (HETCOV, AUTCOV, HC1-HC3 and
// CLUSTER need every residual at once). The record keeps no rows. False with `e` unset when a
// pass failed to read.
bool estimate_iv_passes(const IvLayout& layout, IvPasses& passes, IvEstimate& e);

} // namespace tarvex
