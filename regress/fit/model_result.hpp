// The value every estimator returns. It holds what is stored as the last estimation (the
// coefficients with their names, covariance, standard errors, t or z statistics and p-values,
// fitted values and residuals, N, K, degrees of freedom, SSE, the log-likelihood, the named
// statistics with their laws, and FCAST's part of the model), the result scalars the model
// sets, and, when the estimation could not be done, the line and $ERR number that say why.
// The estimator fills the numbers and writes nothing; the front end names the equation, hands
// a failure to report_error, and otherwise stores the value after the report has printed it.
#pragma once

#include "core/estimation_results.hpp"
#include "core/result_scalars.hpp"
#include "numeric/real.hpp"

#include <string>
#include <utility>
#include <vector>

namespace tarvex {

// Why an estimation could not be done: the "...ERROR.." line and its $ERR number.
struct EstimationFailure {
    std::string line;
    int number = 0;
    // The estimation ended on a message already written among its notes (a statement block the
    // command read before it estimated): it fails with no line or number of its own.
    bool written = false;
};

// A result scalar the model sets: its entry (ResultId) and value.
struct ResultScalar {
    int id = 0;
    Real value = 0;
};

struct ModelResult {
    EstimationResults record;          // stored as the last estimation
    std::vector<Real> partials;        // partial correlation of each coefficient's ratio
    std::vector<ResultScalar> scalars; // set in this order after the report
    // The estimation scalars a model does not set are cleared to "not available" before its own
    // are set, so that no value of an earlier model is read as this one's.
    bool clears_other_scalars = true;
    EstimationFailure failure; // an empty line and number 0: the estimation was done

    bool failed() const { return failure.written || !failure.line.empty() || failure.number != 0; }
    void fail(std::string line, int number) { failure = {std::move(line), number, false}; }
    void set_scalar(int id, Real value) { scalars.push_back({id, value}); }
    // $N, $K and $DF: the record's n, k and df.
    void set_size_scalars() {
        set_scalar(R_N, record.n);
        set_scalar(R_K, record.k);
        set_scalar(R_DF, record.df);
    }
    // A least-squares fit's $SSE and $R2 from the record, with $SIG2 and $ADR2.
    void set_fit_scalars(Real sigma2, Real adjusted_r2) {
        set_scalar(R_SSE, record.sse);
        set_scalar(R_SIG2, sigma2);
        set_scalar(R_R2, record.rsqr);
        set_scalar(R_ADR2, adjusted_r2);
    }
    // A statistic besides the coefficients, in report order.
    void add_statistic(NamedStatistic statistic) {
        record.statistics.push_back(std::move(statistic));
    }
};

} // namespace tarvex
