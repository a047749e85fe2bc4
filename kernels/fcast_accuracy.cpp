// The forecast-accuracy statistics by their published definitions (Theil's U of 1961 and the
// decompositions of the mean square error into bias, variance and covariance, and into bias,
// regression and disturbance).
#include "kernels/fcast_accuracy.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"

#include <memory>

namespace tarvex {

struct FcastAccuracySums::Sums {
    ExactSums<SUMS> total;
};

FcastAccuracySums::FcastAccuracySums() : sums_(std::make_unique<Sums>()) {}
FcastAccuracySums::~FcastAccuracySums() = default;

void FcastAccuracySums::add_row(Real y, Real p, Real e) {
    ExactAccumulator* sum = sums_->total.sums;
    sum[SUM_E].add(e);
    sum[SSE].add_product(e, e);
    sum[SUM_ABS].add(qm::abs(e));
    sum[SUM_Y].add(y);
    sum[SUM_P].add(p);
    sum[SUM_Y2].add_product(y, y);
    sum[SUM_P2].add_product(p, p);
    sum[SUM_YP].add_product(y, p);
    if (!equal_values(y, 0)) {
        const Real ratio = e / y;
        sum[PERCENT].add_product(ratio, ratio);
        ++nonzero_;
    }
    ++n_;
}

void FcastAccuracySums::clear() {
    sums_->total.clear();
    n_ = nonzero_ = 0;
}

bool FcastAccuracySums::has_special() const {
    return sums_->total.has_special();
}

void FcastAccuracySums::add_exact(const FcastAccuracySums& other) {
    sums_->total.add_exact(other.sums_->total);
    n_ += other.n_;
    nonzero_ += other.nonzero_;
}

const ExactAccumulator& FcastAccuracySums::sum(Sum which) const {
    return sums_->total[which];
}

void FcastAccuracySums::add(const Real* y, const Real* p, std::size_t n) {
    // The rows' sums (over two threads for a long block) are added to the totals exactly.
    FcastAccuracySums part;
    split_accumulate(n, part, [&](FcastAccuracySums& set, std::size_t begin, std::size_t end) {
        for (std::size_t t = begin; t < end; ++t)
            set.add_row(y[t], p[t], fast_subtract(y[t], p[t]));
    });
    add_exact(part);
}

FcastAccuracy FcastAccuracySums::result() const {
    FcastAccuracy a;
    const long long count = n_;
    a.n = int(count);
    if (count == 0) return a;
    const Real n = Real(count);
    const ExactAccumulator* sum = sums_->total.sums;
    a.sse = sum[SSE].result();
    a.mean_error = sum[SUM_E].result() / n;
    a.mse = a.sse / n;
    a.mae = sum[SUM_ABS].result() / n;
    a.rmse = qm::sqrt(a.mse);
    if (nonzero_ > 0) a.mspe = 100 * sum[PERCENT].result() / Real(nonzero_);
    const Real scale = qm::sqrt(sum[SUM_Y2].result() / n) + qm::sqrt(sum[SUM_P2].result() / n);
    if (scale > 0) a.theil_u = a.rmse / scale;

    const Real my = sum[SUM_Y].result() / n, mp = sum[SUM_P].result() / n;
    // The sums of squares and products about the means, every deviation exact.
    const std::size_t rows = static_cast<std::size_t>(count);
    const Real syy = exact_centred_from_sums(sum[SUM_Y2], sum[SUM_Y], sum[SUM_Y], rows, my, my);
    const Real spp = exact_centred_from_sums(sum[SUM_P2], sum[SUM_P], sum[SUM_P], rows, mp, mp);
    const Real syp = exact_centred_from_sums(sum[SUM_YP], sum[SUM_Y], sum[SUM_P], rows, my, mp);
    const Real sy = qm::sqrt(syy / n), sp = qm::sqrt(spp / n);
    const Real r = sy > 0 && sp > 0 ? (syp / n) / (sy * sp) : Real(0);
    // The three parts of each decomposition add up to MSE; dividing by their own sum keeps the
    // proportions summing to 1 when rounding leaves a forecast almost perfect.
    const Real bias = (mp - my) * (mp - my);
    const Real variance = (sp - sy) * (sp - sy), covariance = 2 * (1 - r) * sp * sy;
    const Real regression = (sp - r * sy), regression2 = regression * regression;
    const Real disturbance = (1 - r * r) * sy * sy;
    const Real first = bias + variance + covariance, second = bias + regression2 + disturbance;
    if (a.mse > 0 && first > 0 && second > 0) {
        a.bias = bias / first;
        a.variance = variance / first;
        a.covariance = covariance / first;
        a.bias_second = bias / second;
        a.regression = regression2 / second;
        a.disturbance = disturbance / second;
    }
    return a;
}

FcastAccuracy forecast_accuracy(const std::vector<Real>& y, const std::vector<Real>& p) {
    FcastAccuracySums sums;
    sums.add(y.data(), p.data(), y.size());
    return sums.result();
}

} // namespace tarvex
