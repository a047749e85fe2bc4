// Chow-Lin distribution: GLS on the aggregated regressors with the aggregated AR(1) covariance,
// rho by a grid and a golden-section search of the concentrated log-likelihood, then the
// regression's high-frequency values plus the residuals carried back through the covariance.
// W's elements have closed forms (sums of rho^|i-j| over two periods) and W is Toeplitz, so each
// evaluation costs a Durbin recursion and one Householder least-squares solve, O(n^2).
#include "kernels/householder.hpp"
#include "kernels/temporal_disaggregation.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// W = C Sigma C' for Sigma(i,j) = rho^|i-j| / (1 - rho^2), n periods of k sub-periods, weight
// c. W is Toeplitz: element (a, b) depends on |a - b| alone, and these are its n values.
std::vector<Real> aggregated_ar1_autocovariances(int n, int k, Real c, Real rho) {
    Real same = k, power = 1, ones = 0; // sum over one period, and sum_{u<k} rho^u
    for (int d = 0; d < k; ++d) {
        ones += power;
        if (d > 0) same += 2 * Real(k - d) * power;
        power *= rho;
    }
    const Real rho_k = power; // rho^k
    const Real scale = c * c / (1 - rho * rho);
    std::vector<Real> gamma(static_cast<std::size_t>(n));
    gamma[0] = scale * same;
    Real lag = rho * ones * ones; // lag l >= 1: rho^((l-1)k + 1) * ones^2
    for (int l = 1; l < n; ++l, lag *= rho_k) gamma[l] = scale * lag;
    return gamma;
}

// W^-1 = A' D^-1 A from the Durbin recursion on the Toeplitz values: row t of the unit lower
// triangle A is (-phi_{t,t}, ..., -phi_{t,1}, 1), the coefficients of the best linear
// prediction of a period from the t before it, and D holds the prediction variances. It costs
// O(n^2) where a Cholesky factor of W would cost O(n^3).
class ToeplitzInverse {
public:
    // False when W is not positive definite (a prediction variance not positive).
    bool factor(const std::vector<Real>& gamma) {
        const int n = int(gamma.size());
        phi_.assign(static_cast<std::size_t>(n) * (n + 1) / 2, Real(0));
        variance_.assign(static_cast<std::size_t>(n), Real(0));
        variance_[0] = gamma[0];
        if (!(variance_[0] > 0)) return false;
        for (int t = 1; t < n; ++t) {
            Real s = gamma[t];
            for (int j = 1; j < t; ++j) s -= at(t - 1, j) * gamma[t - j];
            const Real kappa = s / variance_[t - 1];
            at(t, t) = kappa;
            for (int j = 1; j < t; ++j) at(t, j) = at(t - 1, j) - kappa * at(t - 1, t - j);
            variance_[t] = variance_[t - 1] * (1 - kappa * kappa);
            if (!(variance_[t] > 0)) return false;
        }
        return true;
    }
    // v := D^-1/2 A v, so that the squares of the result sum to v' W^-1 v.
    void whiten(Real* v) const {
        const int n = int(variance_.size());
        for (int t = n - 1; t >= 0; --t) {
            Real e = v[t];
            for (int j = 1; j <= t; ++j) e -= at(t, j) * v[t - j];
            v[t] = e / qm::sqrt(variance_[t]);
        }
    }
    // W^-1 v.
    std::vector<Real> solve(std::vector<Real> v) const {
        const int n = int(variance_.size());
        for (int t = n - 1; t >= 0; --t) {
            Real e = v[t];
            for (int j = 1; j <= t; ++j) e -= at(t, j) * v[t - j];
            v[t] = e / variance_[t];
        }
        for (int s = 0; s < n; ++s) // v := A' v
            for (int t = s + 1; t < n; ++t) v[s] -= at(t, t - s) * v[t];
        return v;
    }
    Real log_determinant() const {
        Real sum = 0;
        for (Real v : variance_) sum += qm::log(v);
        return sum;
    }

private:
    // phi_{t,j}, 1 <= j <= t, in row t of a packed triangle.
    Real& at(int t, int j) { return phi_[static_cast<std::size_t>(t) * (t + 1) / 2 + (j - 1)]; }
    Real at(int t, int j) const {
        return phi_[static_cast<std::size_t>(t) * (t + 1) / 2 + (j - 1)];
    }
    std::vector<Real> phi_, variance_;
};

struct RhoEvaluation {
    ChowLinStatus status = ChowLinStatus::ok;
    int failed_column = -1;
    Real llf = 0;
    ToeplitzInverse inverse; // of W
    LeastSquaresFit fit;
};

struct AggregatedData {
    int periods = 0, ratio = 0, m = 0;
    Real weight = 1;
    std::vector<Real> low;       // y at the low frequency
    std::vector<Real> regressed; // C X, periods x m column-major
};

RhoEvaluation evaluate_rho(const AggregatedData& d, Real rho) {
    RhoEvaluation e;
    const int n = d.periods;
    if (!e.inverse.factor(aggregated_ar1_autocovariances(n, d.ratio, d.weight, rho))) {
        e.status = ChowLinStatus::covariance_failed;
        return e;
    }
    DataMatrix data(n, d.m + 1);
    for (int j = 0; j < d.m; ++j) {
        std::copy_n(d.regressed.begin() + std::ptrdiff_t(j) * n, n, data.column(j));
        e.inverse.whiten(data.column(j));
    }
    std::copy(d.low.begin(), d.low.end(), data.column(d.m));
    e.inverse.whiten(data.column(d.m));
    HouseholderSolve solved = householder_solve(data);
    e.fit = std::move(solved.fit);
    if (!e.fit.ok()) {
        e.status = ChowLinStatus::dependent_column;
        e.failed_column = e.fit.failed_column;
        return e;
    }
    const Real pi2 = 2 * qm::PI;
    e.llf =
        -Real(n) / 2 * (qm::log(pi2 * e.fit.sse / Real(n)) + 1) - e.inverse.log_determinant() / 2;
    return e;
}

// The rho of largest likelihood: the best of a grid, then golden sections between its
// neighbours. Points whose evaluation fails count as the lowest likelihood.
Real search_rho(const AggregatedData& d, int& evaluations) {
    std::vector<Real> grid = {-CHOW_LIN_RHO_LIMIT, -0.99Q};
    for (int j = -19; j <= 19; ++j) grid.push_back(Real(j) / 20);
    grid.push_back(0.99Q);
    grid.push_back(CHOW_LIN_RHO_LIMIT);
    auto value = [&](Real rho, bool& ok) {
        ++evaluations;
        const RhoEvaluation e = evaluate_rho(d, rho);
        ok = e.status == ChowLinStatus::ok;
        return e.llf;
    };
    std::size_t best = 0;
    Real best_llf = 0;
    bool any = false;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        bool ok = false;
        const Real l = value(grid[i], ok);
        if (ok && (!any || l > best_llf)) best = i, best_llf = l, any = true;
    }
    if (!any) return 0;
    Real lo = grid[best == 0 ? 0 : best - 1], hi = grid[std::min(best + 1, grid.size() - 1)];
    const Real golden = (qm::sqrt(Real(5)) - 1) / 2;
    Real x1 = hi - golden * (hi - lo), x2 = lo + golden * (hi - lo);
    bool ok1 = false, ok2 = false;
    Real f1 = value(x1, ok1), f2 = value(x2, ok2);
    for (int it = 0; it < 200 && hi - lo > 1e-15Q; ++it) {
        const bool left = ok1 && (!ok2 || f1 >= f2);
        if (left) {
            hi = x2, x2 = x1, f2 = f1, ok2 = ok1;
            x1 = hi - golden * (hi - lo);
            f1 = value(x1, ok1);
        } else {
            lo = x1, x1 = x2, f1 = f2, ok1 = ok2;
            x2 = lo + golden * (hi - lo);
            f2 = value(x2, ok2);
        }
    }
    const Real found = (lo + hi) / 2;
    bool ok = false;
    const Real l = value(found, ok);
    return ok && l >= best_llf ? found : grid[best];
}

} // namespace

ChowLinFit chow_lin(const std::vector<Real>& low, int ratio, const std::vector<Real>& regressors,
                    int m, bool average, bool rho_given, Real rho) {
    ChowLinFit out;
    AggregatedData d;
    d.periods = int(low.size());
    d.ratio = ratio;
    d.m = m;
    d.weight = average ? Real(1) / Real(ratio) : Real(1);
    d.low = low;
    const int n = d.periods, nh = n * ratio;
    if (n <= m) {
        out.status = ChowLinStatus::too_few_periods;
        return out;
    }
    d.regressed.assign(std::size_t(n) * std::size_t(m), Real(0));
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            Real s = 0;
            for (int t = i * ratio; t < (i + 1) * ratio; ++t)
                s += regressors[std::size_t(j) * nh + t];
            d.regressed[std::size_t(j) * n + i] = d.weight * s;
        }
    out.rho_estimated = !rho_given;
    out.rho = rho_given ? rho : search_rho(d, out.evaluations);
    RhoEvaluation e = evaluate_rho(d, out.rho);
    ++out.evaluations;
    if (e.status != ChowLinStatus::ok) {
        out.status = e.status;
        out.failed_column = e.failed_column;
        return out;
    }
    out.llf = e.llf;
    out.coef = e.fit.coef;
    out.sigma2 = e.fit.sse / Real(n - m);
    for (int j = 0; j < m; ++j) out.se.push_back(qm::sqrt(out.sigma2 * e.fit.inverse_at(j, j)));

    // Residuals of the aggregates carried back: Sigma C' W^-1 (y_low - C X b).
    std::vector<Real> u(low);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < m; ++j) u[i] -= d.regressed[std::size_t(j) * n + i] * out.coef[j];
    const std::vector<Real> w = e.inverse.solve(u);
    const std::size_t cells = static_cast<std::size_t>(nh);
    std::vector<Real> v(cells), forward(cells), backward(cells);
    for (int t = 0; t < nh; ++t) v[t] = d.weight * w[t / ratio];
    for (int t = 0; t < nh; ++t) forward[t] = v[t] + (t > 0 ? out.rho * forward[t - 1] : Real(0));
    for (int t = nh - 1; t >= 0; --t)
        backward[t] = v[t] + (t < nh - 1 ? out.rho * backward[t + 1] : Real(0));
    const Real scale = 1 / (1 - out.rho * out.rho);
    out.values.assign(std::size_t(nh), Real(0));
    for (int t = 0; t < nh; ++t) {
        Real fitted = 0;
        for (int j = 0; j < m; ++j) fitted += regressors[std::size_t(j) * nh + t] * out.coef[j];
        out.values[t] = fitted + scale * (forward[t] + backward[t] - v[t]);
    }
    return out;
}

} // namespace tarvex
