// The forecast-accuracy statistics by their published definitions (Theil's U of 1961 and the
// decompositions of the mean square error into bias, variance and covariance, and into bias,
// regression and disturbance).
#include "regress/fcast_accuracy.hpp"

#include "numeric/exact_dot.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

FcastAccuracy forecast_accuracy(const std::vector<Real>& y, const std::vector<Real>& p) {
    FcastAccuracy a;
    const int n = int(y.size());
    a.n = n;
    if (n == 0) return a;
    // Every sum is exact and rounded once.
    ExactAccumulator sum_e, sse, sum_abs, sum_y, sum_p, sum_y2, sum_p2, pct;
    int pct_count = 0;
    for (int t = 0; t < n; ++t) {
        const Real e = y[t] - p[t];
        sum_e.add(e);
        sse.add_product(e, e);
        sum_abs.add(qm::abs(e));
        sum_y.add(y[t]);
        sum_p.add(p[t]);
        sum_y2.add_product(y[t], y[t]);
        sum_p2.add_product(p[t], p[t]);
        if (y[t] != 0) {
            const Real ratio = e / y[t];
            pct.add_product(ratio, ratio);
            ++pct_count;
        }
    }
    a.sse = sse.result();
    a.mean_error = sum_e.result() / n;
    a.mse = a.sse / n;
    a.mae = sum_abs.result() / n;
    a.rmse = qm::sqrt(a.mse);
    if (pct_count > 0) a.mspe = 100 * pct.result() / pct_count;
    const Real scale = qm::sqrt(sum_y2.result() / n) + qm::sqrt(sum_p2.result() / n);
    if (scale > 0) a.theil_u = a.rmse / scale;

    const Real my = sum_y.result() / n, mp = sum_p.result() / n;
    ExactAccumulator yy, pp, yp;
    for (int t = 0; t < n; ++t) {
        const Real dy = y[t] - my, dp = p[t] - mp;
        yy.add_product(dy, dy);
        pp.add_product(dp, dp);
        yp.add_product(dy, dp);
    }
    const Real syy = yy.result(), spp = pp.result(), syp = yp.result();
    const Real sy = qm::sqrt(syy / n), sp = qm::sqrt(spp / n);
    const Real r = sy > 0 && sp > 0 ? (syp / n) / (sy * sp) : Real(0);
    // The three parts of each decomposition add up to MSE; dividing by their own sum keeps the
    // proportions summing to 1 when rounding leaves a forecast almost perfect.
    const Real bias = (mp - my) * (mp - my);
    const Real variance = (sp - sy) * (sp - sy), covariance = 2 * (1 - r) * sp * sy;
    const Real regression = (sp - r * sy) * (sp - r * sy), disturbance = (1 - r * r) * sy * sy;
    const Real first = bias + variance + covariance, second = bias + regression + disturbance;
    if (a.mse > 0 && first > 0 && second > 0) {
        a.bias = bias / first;
        a.variance = variance / first;
        a.covariance = covariance / first;
        a.bias_second = bias / second;
        a.regression = regression / second;
        a.disturbance = disturbance / second;
    }
    return a;
}

} // namespace tarvex
