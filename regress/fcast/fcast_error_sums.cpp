// FCAST's statistics from the forecast rows: the accuracy, standard-error and residual sums in
// one pass, the residual statistics of the errors from them.
#include "regress/fcast/fcast_error_sums.hpp"

#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"

#include <memory>

namespace tarvex {

void FcastErrorSums::add_rows(const FcastRow* rows, std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
        const FcastRow& r = rows[i];
        if (!r.defined) continue;
        ++defined;
        se_squares.add_product(r.se, r.se);
        if (!r.known) continue;
        const Real e = r.error;
        accuracy.add_row(r.observed, r.predicted, e);
        if (any)
            lag.add_product(e, last);
        else
            first = e;
        any = true;
        last = e;
        runs.add(e);
    }
}

void FcastErrorSums::clear() {
    accuracy.clear();
    lag.clear();
    se_squares.clear();
    defined = 0;
    any = false;
    first = last = 0;
    runs = RunsCounter{};
}

bool FcastErrorSums::has_special() const {
    return accuracy.has_special() || lag.has_special() || se_squares.has_special();
}

void FcastErrorSums::add_exact(const FcastErrorSums& later) {
    accuracy.add_exact(later.accuracy);
    se_squares.add_exact(later.se_squares);
    defined += later.defined;
    if (!later.any) return;
    lag.add_exact(later.lag);
    if (any)
        lag.add_product(later.first, last); // the pair across the join
    else
        first = later.first;
    any = true;
    last = later.last;
    runs.add_following(later.runs);
}

std::shared_ptr<const FcastErrorSums> forecast_error_sums(const Forecast& f) {
    auto sums = std::make_shared<FcastErrorSums>();
    const FcastRow* rows = f.rows.data();
    split_accumulate(f.rows.size(), *sums,
                     [rows](FcastErrorSums& part, std::size_t begin, std::size_t end) {
                         part.add_rows(rows, begin, end);
                     });
    return sums;
}

ResidualStats forecast_error_stats(const Forecast& f, const FcastErrorSums& sums) {
    ResidualStats s;
    const int n = int(sums.accuracy.rows());
    if (n == 0) return s;
    using Sum = FcastAccuracySums::Sum;
    const auto sum = [&sums](Sum which) -> const ExactAccumulator& {
        return sums.accuracy.sum(which);
    };
    ResidualTotals totals;
    totals.squares = sum(Sum::SSE).result();
    totals.sum = sum(Sum::SUM_E).result();
    totals.abs_sum = sum(Sum::SUM_ABS).result();
    totals.differences = exact_squared_differences_from_sums(sum(Sum::SSE), sums.lag,
                                                             std::size_t(n), sums.first, sums.last);
    totals.lag = sums.lag.result();
    const CorrelationSums observed_predicted{sum(Sum::SUM_Y), sum(Sum::SUM_P), sum(Sum::SUM_Y2),
                                             sum(Sum::SUM_P2), sum(Sum::SUM_YP)};
    totals.r2op = observed_predicted.squared_correlation(std::size_t(n));
    set_serial_stats(s, n, Real(n), totals.squares, totals, sums.runs);

    // Moments about the mean of the errors: the deviations are rounded, their products exact.
    const Real mean = s.sum / n;
    enum { THIRD, FOURTH, MOMENTS };
    auto moments = std::make_unique<ExactSums<MOMENTS>>();
    const FcastRow* rows = f.rows.data();
    split_accumulate(f.rows.size(), *moments,
                     [rows, mean](ExactSums<MOMENTS>& m, std::size_t begin, std::size_t end) {
                         for (std::size_t i = begin; i < end; ++i) {
                             if (!(rows[i].known && rows[i].defined)) continue;
                             const Real d = rows[i].error - mean;
                             const Real d2 = d * d;
                             m[THIRD].add_product(d2, d);
                             m[FOURTH].add_product(d2, d2);
                         }
                     });
    const Real m2 = exact_centred_from_sums(sum(Sum::SSE), sum(Sum::SUM_E), sum(Sum::SUM_E),
                                            std::size_t(n), mean, mean) /
                    n;
    set_normality_tests(s, n, m2, (*moments)[THIRD].result() / n, (*moments)[FOURTH].result() / n);
    return s;
}

} // namespace tarvex
