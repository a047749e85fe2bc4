// The sums FCAST's statistics are formed from, gathered from the forecast rows themselves in one
// pass over two threads, without copying the errors out: the accuracy sums of the rows with y
// known and a prediction, the squares of the standard errors, and the lag products, end values
// and runs of the errors in order; then the residual statistics of the errors from them and one
// more pass for the moments about the mean.
#pragma once

#include "kernels/fcast_accuracy.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/real.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/ols/ols_residual_stats.hpp"

#include <cstddef>
#include <memory>

namespace tarvex {

// Each thread fills its own for a stretch of rows; a stretch's sums take those of the stretch
// after it (add_exact), so that split_accumulate can share the rows.
struct FcastErrorSums {
    FcastAccuracySums accuracy;  // over the rows with y known and a prediction (their errors e)
    ExactAccumulator lag;        // sum e_t e_(t-1) over those rows, in order
    ExactAccumulator se_squares; // sum se**2 over the rows with a prediction
    long long defined = 0;       // rows with a prediction
    bool any = false;            // some row has an error
    Real first = 0, last = 0;    // the first and the last error
    RunsCounter runs;            // of the errors' signs

    void add_rows(const FcastRow* rows, std::size_t begin, std::size_t end);
    void clear();
    bool has_special() const;
    void add_exact(const FcastErrorSums& later);
};

// The sums of a forecast's rows.
std::shared_ptr<const FcastErrorSums> forecast_error_sums(const Forecast& f);

// The residual statistics of the errors, as residual_stats gives them for a fit of the errors
// in order with n degrees of freedom (no Hall-Pagan test, no goodness-of-fit counts). The sums
// must hold no NaN or infinite term.
ResidualStats forecast_error_stats(const Forecast& f, const FcastErrorSums& sums);

} // namespace tarvex
