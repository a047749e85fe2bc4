// The forecast-accuracy statistics by their published definitions (Theil's U of 1961 and the
// decompositions of the mean square error into bias, variance and covariance, and into bias,
// regression and disturbance).
#include "regress/fcast_accuracy.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

FcastAccuracy forecast_accuracy(const std::vector<Real>& y, const std::vector<Real>& p) {
    FcastAccuracy a;
    const int n = int(y.size());
    a.n = n;
    if (n == 0) return a;
    Real sum_e = 0, sum_abs = 0, sum_y = 0, sum_p = 0, sum_y2 = 0, sum_p2 = 0, pct = 0;
    int pct_count = 0;
    for (int t = 0; t < n; ++t) {
        const Real e = y[t] - p[t];
        sum_e += e;
        a.sse += e * e;
        sum_abs += qm::abs(e);
        sum_y += y[t];
        sum_p += p[t];
        sum_y2 += y[t] * y[t];
        sum_p2 += p[t] * p[t];
        if (y[t] != 0) {
            pct += (e / y[t]) * (e / y[t]);
            ++pct_count;
        }
    }
    a.mean_error = sum_e / n;
    a.mse = a.sse / n;
    a.mae = sum_abs / n;
    a.rmse = qm::sqrt(a.mse);
    if (pct_count > 0) a.mspe = 100 * pct / pct_count;
    const Real scale = qm::sqrt(sum_y2 / n) + qm::sqrt(sum_p2 / n);
    if (scale > 0) a.theil_u = a.rmse / scale;

    const Real my = sum_y / n, mp = sum_p / n;
    Real syy = 0, spp = 0, syp = 0;
    for (int t = 0; t < n; ++t) {
        syy += (y[t] - my) * (y[t] - my);
        spp += (p[t] - mp) * (p[t] - mp);
        syp += (y[t] - my) * (p[t] - mp);
    }
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
