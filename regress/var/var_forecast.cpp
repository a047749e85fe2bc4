// VAR's forecasts and their standard errors.
#include "regress/var/var_forecast.hpp"

#include "numeric/qmath.hpp"

#include <cstddef>

namespace tarvex {

std::vector<Real> var_deterministic_values(const VarTerms& terms, int first_season, long row) {
    std::vector<Real> d;
    if (terms.trend) d.push_back(Real(row + 1));
    for (int s = 0; s + 1 < terms.seasons; ++s)
        d.push_back((first_season + row) % terms.seasons == s ? 1 : 0);
    if (terms.constant) d.push_back(1);
    return d;
}

VarForecast var_forecast(const LagMatrices& a, int k, const std::vector<Real>& coef, int m,
                         const std::vector<Real>& history, const std::vector<Real>& deterministic,
                         const std::vector<Real>& sigma, int horizon) {
    const int p = int(a.size()), d = m - k * p;
    VarForecast out;
    // The rows so far, oldest first: the history, then each forecast as it is made.
    std::vector<Real> rows = history;
    for (int h = 0; h < horizon; ++h) {
        const std::size_t now = rows.size() / std::size_t(k);
        for (int i = 0; i < k; ++i) {
            Real y = 0;
            for (int l = 1; l <= p; ++l)
                for (int j = 0; j < k; ++j)
                    y += a[std::size_t(l - 1)][std::size_t(i) * k + j] *
                         rows[(now - std::size_t(l)) * k + std::size_t(j)];
            for (int r = 0; r < d; ++r)
                y += coef[std::size_t(k * p + r) * k + i] *
                     deterministic[std::size_t(h) * d + std::size_t(r)];
            out.value.push_back(y);
        }
        rows.insert(rows.end(), out.value.end() - k, out.value.end());
    }
    const std::vector<std::vector<Real>> phi =
        impulse_responses(a, k, horizon > 0 ? horizon - 1 : 0, std::vector<Real>{});
    std::vector<Real> mse(std::size_t(k), 0);
    for (int h = 0; h < horizon; ++h) {
        // Add the diagonal of Phi_h sigma Phi_h'.
        const std::vector<Real>& f = phi[std::size_t(h)];
        for (int i = 0; i < k; ++i) {
            Real s = 0;
            for (int u = 0; u < k; ++u)
                for (int v = 0; v < k; ++v)
                    s += f[std::size_t(i) * k + u] * sigma[std::size_t(u) * k + v] *
                         f[std::size_t(i) * k + v];
            mse[std::size_t(i)] += s;
            out.se.push_back(qm::sqrt(mse[std::size_t(i)]));
        }
    }
    return out;
}

void VarForecastPart::system_forecast(int horizon, const std::vector<Real>& exog,
                                      std::vector<Real>& value, std::vector<Real>& se) const {
    const int k = equations;
    const std::size_t e = exog_refs.size();
    std::vector<Real> deterministic;
    for (int h = 0; h < horizon; ++h) {
        for (std::size_t j = 0; j < e; ++j) deterministic.push_back(exog[std::size_t(h) * e + j]);
        for (Real v : var_deterministic_values(terms, first_season, next_row + h))
            deterministic.push_back(v);
    }
    const VarForecast f = var_forecast(var_lag_matrices(coef, k, terms.lags), k, coef, m, history,
                                       deterministic, sigma, horizon);
    value = f.value;
    se = f.se;
}

} // namespace tarvex
