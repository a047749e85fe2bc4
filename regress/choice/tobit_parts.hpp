// The pieces of the TOBIT estimator that the sample in memory and series bound to a file share:
// where the rows come from (TobitSource: the passes over them, the rows of a preliminary fit),
// the choice of start and fit over any source, and what is made of the fit once its covariance
// is known. Each is written once, so that the estimate over blocks of rows is that of the same
// rows in memory, bit for bit.
#pragma once

#include "regress/choice/binary_double_start.hpp"
#include "regress/choice/tobit_estimate.hpp"
#include "regress/choice/tobit_rows.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

// The rows of a TOBIT sample as the fit reads them.
class TobitSource {
public:
    virtual ~TobitSource() = default;
    virtual std::size_t rows() const = 0;
    // The log-likelihood and gradient at theta, into `sums` from zero, N_u log t included.
    virtual void pass(const std::vector<Real>& theta, PassSums& sums) = 0;
    // The Newton (or other) fit from `start` over every row.
    virtual ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) = 0;
    // The double iterations from `start` over every row.
    virtual DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                                     const InterruptCheck& interrupt) = 0;
    // The rows `keep` (ascending) as a sample in memory, for a preliminary fit.
    virtual ChoiceData rows_at(const std::vector<std::size_t>& keep) = 0;
    // Every row as a sample in memory, for the least-squares start; null when the rows are too
    // many to hold at once (fit_tobit_source then sets its `needs_every_row`).
    virtual const ChoiceData* every_row() = 0;
};

// A sample in memory as the fit reads it: its sides, the last column of its row vectors and its
// totals are formed once.
class TobitMemorySource : public TobitSource {
public:
    TobitMemorySource(const ChoiceData& data, const TobitCensoring& c);
    std::size_t rows() const override { return data_.y.size(); }
    void pass(const std::vector<Real>& theta, PassSums& sums) override;
    ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) override;
    DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                             const InterruptCheck& interrupt) override;
    ChoiceData rows_at(const std::vector<std::size_t>& keep) override;
    const ChoiceData* every_row() override { return &data_; }

    const TobitStretch& stretch() const { return stretch_; }
    const TobitTotals& totals() const { return totals_; }

private:
    const ChoiceData& data_;
    TobitCensoring censoring_;
    std::vector<TobitSide> side_;
    std::vector<Real> limit_;
    TobitStretch stretch_;
    TobitTotals totals_;
};

// The fit from least squares, through a fit on an evenly spaced subsample when the sample is
// long (see tobit_estimate.hpp). Sets the rows of the preliminary fit and the count of double
// iterations. A failed start ends SINGULAR (bad_parameter the column) or EXACT_FIT; with
// `needs_every_row` set when the start needed every row of a source that cannot give them.
ChoiceFit fit_tobit_source(TobitSource& source, const TobitCensoring& c,
                           const ChoiceControl& control, int& subsample_n, int& double_iterations,
                           bool& needs_every_row);

// The estimates in (b, sigma) and everything the report shows, from the fit in (g, t) and its
// covariance `v` in (g, t), the sample's totals, and the intercept-only fit's log-likelihood
// (when `has_llf0`). Fills the result that is stored; the rows' fitted values are the caller's.
void describe_tobit(const ChoiceFit& fit, const std::vector<Real>& v, const TobitTotals& totals,
                    bool has_llf0, Real llf0, int intercept, const TobitCensoring& c,
                    TobitEstimate& e);

// The parameters after each iteration, in (b, sigma).
void tobit_history(const ChoiceFit& fit, TobitEstimate& e);

} // namespace tarvex
