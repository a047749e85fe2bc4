// Exact Durbin-Watson probabilities. With e = Mz, d <= d0 exactly when z'M(A - d0 I)Mz <= 0,
// a quadratic form whose weights are the eigenvalues of Q2'(A - d0 I)Q2 (independent errors) or
// of L'Q2'(A - d0 I)Q2 L with G = Q2'VQ2 = LL' (AR(1) errors). Imhof:
//   P(Q > 0) = 1/2 + (1/pi) Int_0^inf sin(theta(u)) / (u rho(u)) du,
//   theta(u) = (1/2) sum atan(w_i u),  rho(u) = prod (1 + w_i^2 u^2)^(1/4).
// In s = log u the integrand sin(theta(e^s))/rho(e^s) is analytic in a strip of half-width pi/2
// and decays exponentially at both ends, so the plain trapezoidal rule converges geometrically.
#include "kernels/durbin_watson_exact.hpp"

#include "numeric/qmath.hpp"
#include "numeric/symmetric_eigen.hpp"

#include <algorithm>
#include <cstddef>
#include <new>

namespace tarvex {
namespace {

// Step in s; the trapezoidal error is about C exp(-pi^2/h) = C 1e-43, C growing with the number
// and closeness of the weights (at h = 0.2 it reached 1e-16 with twenty pairs of weights).
const Real STEP = 0.1Q;
// The integral is continued until the remaining tail is below this.
const Real TAIL = 1e-22Q;
// A probability outside [0, 1] by more than this means the integration failed.
const Real SLACK = 1e-12Q;

// B_ij := rows and columns K..N-1 of Q'SQ for a symmetric N by N matrix S (overwritten).
std::vector<Real> reduce_to_residual_space(const DataMatrix& factored,
                                           const HouseholderFactor& factor, std::vector<Real> s) {
    const int n = factor.nobs;
    const int k = factor.nregs;
    const auto at = [n](int row, int col) { return static_cast<std::size_t>(col) * n + row; };
    for (int col = 0; col < n; ++col) apply_q_transpose(factored, factor, s.data() + at(0, col));
    // S is now Q'S; (Q'S)' = SQ, and Q' applied to that gives Q'SQ.
    for (int col = 0; col < n; ++col)
        for (int row = 0; row < col; ++row) std::swap(s[at(row, col)], s[at(col, row)]);
    for (int col = 0; col < n; ++col) apply_q_transpose(factored, factor, s.data() + at(0, col));
    const int m = n - k;
    std::vector<Real> b(static_cast<std::size_t>(m) * m);
    for (int col = 0; col < m; ++col)
        for (int row = 0; row < m; ++row)
            b[static_cast<std::size_t>(col) * m + row] = s[at(row + k, col + k)];
    return b;
}

// Weights of the quadratic form for d0: with independent errors the roots less d0, otherwise
// the eigenvalues of L'(B - d0 I)L.
bool form_weights(const DurbinWatsonForms& forms, Real d0, std::vector<Real>& weights) {
    const int m = forms.size;
    if (forms.g.empty()) {
        if (static_cast<int>(forms.roots.size()) != m) return false;
        weights.resize(static_cast<std::size_t>(m));
        for (int i = 0; i < m; ++i) weights[i] = forms.roots[i] - d0;
        return true;
    }
    const auto at = [m](int row, int col) { return static_cast<std::size_t>(col) * m + row; };
    std::vector<Real> c = forms.b;
    for (int i = 0; i < m; ++i) c[at(i, i)] -= d0;
    if (!forms.g.empty()) {
        // Cholesky G = LL' (G is positive definite: V is, and Q2 has full column rank).
        std::vector<Real> l(static_cast<std::size_t>(m) * m, Real(0));
        for (int j = 0; j < m; ++j) {
            Real pivot = forms.g[at(j, j)];
            for (int mid = 0; mid < j; ++mid) pivot -= l[at(j, mid)] * l[at(j, mid)];
            if (!(pivot > 0)) return false;
            l[at(j, j)] = qm::sqrt(pivot);
            for (int row = j + 1; row < m; ++row) {
                Real sum = forms.g[at(row, j)];
                for (int mid = 0; mid < j; ++mid) sum -= l[at(row, mid)] * l[at(j, mid)];
                l[at(row, j)] = sum / l[at(j, j)];
            }
        }
        // L'CL.
        std::vector<Real> cl(static_cast<std::size_t>(m) * m, Real(0));
        for (int col = 0; col < m; ++col)
            for (int row = 0; row < m; ++row) {
                Real sum = 0;
                for (int mid = col; mid < m; ++mid) sum += c[at(row, mid)] * l[at(mid, col)];
                cl[at(row, col)] = sum;
            }
        for (int col = 0; col < m; ++col)
            for (int row = 0; row < m; ++row) {
                Real sum = 0;
                for (int mid = row; mid < m; ++mid) sum += l[at(mid, row)] * cl[at(mid, col)];
                c[at(row, col)] = sum;
            }
    }
    return symmetric_eigenvalues(c, m, weights);
}

} // namespace

Real durbin_watson_statistic(const std::vector<Real>& residuals, const DifferenceScheme& scheme) {
    const int n = static_cast<int>(residuals.size());
    Real differences = 0;
    for (int t = scheme.order; t < n; ++t) {
        if (scheme.gap > 0 && t - scheme.order < scheme.gap && t >= scheme.gap) continue;
        const Real step = residuals[t] - residuals[t - scheme.order];
        differences += step * step;
    }
    const Real squares = ls_detail::sum_of_squares(residuals.data(), n);
    return squares == 0 ? Real(0) : differences / squares;
}

std::vector<Real> difference_matrix(int nobs, const DifferenceScheme& scheme) {
    const auto at = [nobs](int row, int col) { return static_cast<std::size_t>(col) * nobs + row; };
    std::vector<Real> a(static_cast<std::size_t>(nobs) * nobs, Real(0));
    for (int t = scheme.order; t < nobs; ++t) {
        const int s = t - scheme.order;
        if (scheme.gap > 0 && s < scheme.gap && t >= scheme.gap) continue;
        a[at(t, t)] += 1;
        a[at(s, s)] += 1;
        a[at(t, s)] -= 1;
        a[at(s, t)] -= 1;
    }
    return a;
}

namespace {
DurbinWatsonForms build_forms(const DataMatrix& factored, const HouseholderFactor& factor,
                              const DifferenceScheme& scheme, Real rho);
} // namespace

long long durbin_watson_work_words(int nobs, int nregs, bool autocorrelated) {
    const long long n = nobs;
    const long long m = nobs > nregs ? nobs - nregs : 0;
    return (autocorrelated ? 2 : 1) * n * n + (autocorrelated ? 5 : 2) * m * m;
}

DurbinWatsonForms durbin_watson_forms(const DataMatrix& factored, const HouseholderFactor& factor,
                                      const DifferenceScheme& scheme, Real rho) {
    try {
        return build_forms(factored, factor, scheme, rho);
    } catch (const std::bad_alloc&) {
        DurbinWatsonForms forms;
        forms.status = DwStatus::insufficient_space;
        forms.size = factor.nobs - factor.nregs;
        return forms;
    }
}

namespace {

DurbinWatsonForms build_forms(const DataMatrix& factored, const HouseholderFactor& factor,
                              const DifferenceScheme& scheme, Real rho) {
    DurbinWatsonForms forms;
    const int n = factor.nobs;
    forms.size = n - factor.nregs;
    if (forms.size <= 0) return forms;
    forms.b = reduce_to_residual_space(factored, factor, difference_matrix(n, scheme));
    std::vector<Real> b = forms.b;
    if (!symmetric_eigenvalues(b, forms.size, forms.roots)) forms.roots.clear();
    if (rho != 0) {
        // Rows after the gap stand `missing` periods further on: V_ij = rho^|time_i - time_j|.
        const int shift = scheme.gap > 0 ? std::max(scheme.missing, 0) : 0;
        auto time = [&](int row) { return row < scheme.gap ? row : row + shift; };
        std::vector<Real> v(static_cast<std::size_t>(n) * n);
        for (int col = 0; col < n; ++col)
            for (int row = 0; row < n; ++row)
                v[static_cast<std::size_t>(col) * n + row] =
                    qm::pow(rho, qm::abs(Real(time(row) - time(col))));
        forms.g = reduce_to_residual_space(factored, factor, std::move(v));
    }
    return forms;
}

} // namespace

DwStatus durbin_watson_roots(const DurbinWatsonForms& forms, std::vector<Real>& roots) {
    roots.clear();
    if (forms.status != DwStatus::ok) return forms.status;
    if (forms.size < 2) return DwStatus::too_few_degrees_of_freedom;
    if (static_cast<int>(forms.roots.size()) != forms.size) return DwStatus::integration_error;
    roots = forms.roots;
    return DwStatus::ok;
}

DwStatus quadratic_form_lower_probability(const std::vector<Real>& weights, Real& probability) {
    Real total = 0;
    for (Real w : weights) total += qm::abs(w);
    if (total == 0 || qm::isnan(total) || qm::isinf(total)) return DwStatus::integration_error;
    // Below s_low the integrand is under theta'(0) e^s = (1/2) sum w e^s, negligible.
    const Real s_low = qm::log(TAIL / total);
    Real integral = 0;
    for (int step = 0;; ++step) {
        const Real s = s_low + step * STEP;
        const Real u = qm::exp(s);
        Real theta = 0;
        Real log_rho = 0;
        Real growth = 0; // d log(rho) / ds, which only increases with s
        for (Real w : weights) {
            const Real wu = w * u;
            const Real square = wu * wu;
            theta += qm::atan(wu);
            log_rho += log1pq(square);
            growth += square / (1 + square);
        }
        theta /= 2;
        log_rho /= 4;
        growth /= 2;
        const Real inverse_rho = qm::exp(-log_rho);
        integral += sinq(theta) * inverse_rho;
        // The rest of the integral is at most (1/rho)/growth.
        if (growth > 0 && inverse_rho / growth < TAIL) break;
        if (step > 200000) return DwStatus::integration_error;
    }
    integral *= STEP;
    probability = 0.5Q - integral / qm::PI;
    if (qm::isnan(probability) || probability < -SLACK || probability > 1 + SLACK)
        return DwStatus::integration_error;
    probability = std::clamp(probability, Real(0), Real(1));
    return DwStatus::ok;
}

DwProbability durbin_watson_probability(const DurbinWatsonForms& forms, Real d_obs) {
    DwProbability out;
    if (forms.status != DwStatus::ok) {
        out.status = forms.status;
        return out;
    }
    if (forms.size < 2) {
        out.status = DwStatus::too_few_degrees_of_freedom;
        return out;
    }
    std::vector<Real> weights;
    if (!form_weights(forms, d_obs, weights)) {
        out.status = DwStatus::integration_error;
        return out;
    }
    out.status = quadratic_form_lower_probability(weights, out.lower);
    out.upper = 1 - out.lower;
    return out;
}

DwStatus durbin_watson_critical_value(const DurbinWatsonForms& forms, Real alpha, Real& critical) {
    if (forms.status != DwStatus::ok) return forms.status;
    if (forms.size < 2) return DwStatus::too_few_degrees_of_freedom;
    if (!(alpha > 0 && alpha < 1) || static_cast<int>(forms.roots.size()) != forms.size)
        return DwStatus::integration_error;
    // d is a ratio of quadratic forms in B, so it lies between the extreme roots, where the
    // probability is 0 and 1 whatever the errors' correlation.
    Real low = forms.roots.front();
    Real high = forms.roots.back();
    Real f_low = -alpha;
    Real f_high = 1 - alpha;
    int kept_side = 0;
    for (int round = 0; round < 100; ++round) {
        if (high - low <= 1e-13Q * (1 + qm::abs(high))) break;
        Real middle = low - f_low * (high - low) / (f_high - f_low);
        if (!(middle > low && middle < high)) middle = (low + high) / 2;
        const DwProbability p = durbin_watson_probability(forms, middle);
        if (p.status != DwStatus::ok) return p.status;
        const Real f_middle = p.lower - alpha;
        if (qm::abs(f_middle) <= 1e-18Q) {
            low = high = middle;
            break;
        }
        // Illinois: when the same end stays twice, halve its value so the other end moves.
        if (f_middle < 0) {
            low = middle;
            f_low = f_middle;
            if (kept_side == 1) f_high /= 2;
            kept_side = 1;
        } else {
            high = middle;
            f_high = f_middle;
            if (kept_side == -1) f_low /= 2;
            kept_side = -1;
        }
    }
    critical = (low + high) / 2;
    return DwStatus::ok;
}

} // namespace tarvex
