// Gathering a plot's values and the few numbers computed from them. The listed variables come
// through the same range check as an estimation's (the sample, BEG and END, lags); the
// residuals come from the last estimation as it left them.
#include "regress/graph/plot_data.hpp"

#include "core/run.hpp"
#include "kernels/gram_schmidt.hpp"
#include "kernels/least_squares.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/list_equation.hpp"
#include "workspace/calendar_dates.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The dates of the observations when TIME has set a calendar.
void date_observations(const SampleBlock& s, PlotData& data) {
    if (!calendar_set(s)) return;
    data.frequency = s.ITIME3;
    for (int t : data.obs) data.dates.push_back(calendar_position(calendar_date(s, t), s.ITIME3));
}

} // namespace

bool listed_data(Run& run, int beg, int end, PlotData& data) {
    const int nf = run.scan.NF;
    if (nf < 1) return false;
    const OlsTerm first = list_term(run, 1);
    std::vector<OlsTerm> rest;
    for (int k = 2; k <= nf; ++k) rest.push_back(list_term(run, k));
    ListRows rows;
    if (!gather_list_rows(run, first.ref, first.lag, rest, beg, end, rows)) return false;
    data.names.push_back(trim_trailing_blanks(first.name));
    for (const OlsTerm& t : rest) data.names.push_back(trim_trailing_blanks(t.name));
    data.obs = std::move(rows.obs);
    data.columns.push_back(std::move(rows.y));
    for (std::vector<Real>& column : rows.x) data.columns.push_back(std::move(column));
    // A missing value (warned of by the range check) is a gap in the plot, not a point.
    for (std::vector<Real>& column : data.columns)
        for (Real& v : column)
            if (v == run.ws.XMISS) v = nanq("");
    date_observations(run.smpl, data);
    return true;
}

bool residual_data(const Run& run, PlotData& data) {
    const EstimationResults& e = run.last_estimation;
    if (e.command.empty() || e.residuals.empty() || e.residuals.size() != e.obs.size() ||
        e.predicted.size() != e.obs.size())
        return false;
    data.names = {"RESIDUAL", "FITTED"};
    data.obs = e.obs;
    data.columns = {e.residuals, e.predicted};
    date_observations(run.smpl, data);
    return true;
}

// The bars, mean and deviation are computed on the values scaled by the power of two that brings
// the largest to about 1 (exact), so that a range, mean or square of values near the largest or
// smallest reals neither overflows nor underflows; the results are scaled back exactly.
Histogram histogram_of(const std::vector<Real>& all, int bins) {
    Histogram h;
    std::vector<Real> values;
    Real largest = 0;
    for (Real v : all)
        if (finiteq(v)) {
            values.push_back(v);
            largest = std::max(largest, fabsq(v));
        }
    const int n = int(values.size());
    h.n = n;
    if (n == 0) return h;
    const int scale = largest > 0 ? ilogbq(largest) : 0;
    for (Real& v : values) v = ldexpq(v, -scale);
    if (bins < 1) bins = 1 + static_cast<int>(ceilq(log2q(Real(n))));
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    Real low = *lo;
    Real width = *hi > *lo ? (*hi - *lo) / bins : Real(1);
    if (*hi == *lo) low -= width * bins / 2;
    h.counts.assign(bins, 0);
    for (Real v : values) {
        const Real bar = floorq((v - low) / width);
        ++h.counts[bar < 0 ? 0 : bar > bins - 1 ? bins - 1 : static_cast<int>(bar)];
    }
    const Real mean = exact_sum(values.data(), values.size()) / n;
    std::vector<Real> squares(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        squares[i] = (values[i] - mean) * (values[i] - mean);
    const Real deviation =
        n > 1 ? sqrtq(exact_sum(squares.data(), squares.size()) / (n - 1)) : Real(0);
    h.low = ldexpq(low, scale);
    h.width = *hi > *lo ? ldexpq(width, scale) : width;
    if (*hi == *lo) h.low = ldexpq(*lo, scale) - h.width * bins / 2;
    h.mean = ldexpq(mean, scale);
    h.deviation = ldexpq(deviation, scale);
    return h;
}

StraightLine least_squares_line(const std::vector<Real>& x, const std::vector<Real>& y) {
    StraightLine line;
    std::vector<std::size_t> used; // the pairs with both values
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i)
        if (finiteq(x[i]) && finiteq(y[i])) used.push_back(i);
    const int n = int(used.size());
    if (n < 2) return line;
    DataMatrix data(n, 3); // intercept, x, then y
    for (int i = 0; i < n; ++i) {
        data.at(i, 0) = 1;
        data.at(i, 1) = x[used[i]];
        data.at(i, 2) = y[used[i]];
    }
    const LeastSquaresFit fit = GSREG(data);
    if (!fit.ok()) return line;
    line.fitted = true;
    line.intercept = fit.coef[0];
    line.slope = fit.coef[1];
    return line;
}

} // namespace tarvex
