// YHAT: the predicted value of every observation of a forecast range from a linear equation,
// static or dynamic, with the log-linear back-transformation and the forecast standard errors.
#pragma once

#include "numeric/real.hpp"

#include <memory>
#include <vector>

namespace tarvex {

struct Run;
struct FcastModel;

// Why an observation has no prediction.
enum class FcastProblem : unsigned char { NONE, UNDEFINED, NON_POSITIVE };

// The values first and the small fields together: 80 bytes a row, for forecasts of millions.
struct FcastRow {
    Real observed = 0;
    Real predicted = 0;
    Real error = 0; // observed - predicted, when both are known
    Real se = 0;    // forecast standard error (when the forecast has them)
    int obs = 0;
    FcastProblem problem = FcastProblem::NONE;
    bool known = false;   // the dependent variable is observed
    bool defined = false; // a prediction could be formed
};

// What each output series of FCAST holds for a row: PREDICT= the prediction, RESID= the error
// where y is known, FCSE= the standard error; the missing code where the row has none.
inline Real predicted_output(const FcastRow& r, Real xmiss) {
    return r.defined ? r.predicted : xmiss;
}
inline Real error_output(const FcastRow& r, Real xmiss) {
    return r.defined && r.known ? r.error : xmiss;
}
inline Real se_output(const FcastRow& r, Real xmiss) {
    return r.defined ? r.se : xmiss;
}

struct FcastSettings {
    std::vector<int> obs; // the observations to forecast, ascending
    bool dynamic = false;
    int dynamic_origin = 0;       // with DYNAMIC: lagged forecasts replace data after this one
    bool keep_regressors = false; // keep each row's regressor values in Forecast::x
};

struct Forecast {
    std::vector<FcastRow> rows;
    int k = 0;
    std::vector<Real> x; // with keep_regressors, the values row i used: x[i*k] .. x[i*k + k - 1]
    bool has_se = false;
    const Real* x_of(std::size_t row) const { return x.data() + row * std::size_t(k); }
};

// The prediction of one row of a linear equation, whatever supplies the row's values (the work
// area for YHAT, blocks of rows for series bound to a file): begin() with the observed value,
// put() each term's value (the intercept and trend are formed here, whatever `v` holds), then
// finish(). Every row gets the same bits from the same values. One predictor per thread.
class RowPredictor {
public:
    // `psi`: the moving-average weights of a dynamic forecast (null: a static one).
    RowPredictor(const FcastModel& model, Real missing_code, const std::vector<Real>* psi);
    ~RowPredictor();
    RowPredictor(const RowPredictor&) = delete;
    RowPredictor& operator=(const RowPredictor&) = delete;
    // Observation t with y (the missing code when unknown).
    void begin(FcastRow& row, int t, Real y) const;
    // Term j's value v into x[j] (logged or Box-Cox transformed where the model says); false,
    // with the row's problem set, when the value is missing or cannot be transformed.
    bool put(FcastRow& row, int j, Real v, Real* x) const;
    // x'b, the prediction and, with a covariance, its standard error `steps` dynamic steps ahead
    // (1: a static forecast); the error where y is known.
    void finish(FcastRow& row, const Real* x, int steps) const;

private:
    struct Sums;
    const FcastModel& model_;
    Real xmiss_;
    Real sigma2_;
    const std::vector<Real>* psi_;
    std::vector<Real> spread_upto_; // sum of psi_j**2 for j <= index
    std::unique_ptr<Sums> sums_;
};

// Lagged dependent terms of the equation: a term naming the dependent variable itself with a
// lag of one or more.
bool has_lagged_dependent(const FcastModel& model);

// Fills one row per observation: regressor values (previous forecasts for a lagged dependent
// variable in a dynamic forecast), x'b, exp(x'b) for a log-linear equation, and, when the
// coefficient covariance is known, se = sqrt(sigma**2 * (psi_0**2 + ... + psi_(h-1)**2) + x'Vx)
// where V = sigma**2 (X'X)**-1 and psi are the moving-average weights of the lagged dependent
// terms over the h dynamic steps (h = 1, so se = sigma*sqrt(1 + x'(X'X)**-1 x), for a static
// forecast). For a log-linear equation se is carried to levels as prediction * se. x'b and x'Vx
// are exact sums of exact products, rounded once (x'Vx: once more per row of V).
Forecast YHAT(Run& run, const FcastModel& model, const FcastSettings& settings);

} // namespace tarvex
