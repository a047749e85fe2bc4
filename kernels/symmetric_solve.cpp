// Cholesky factor, solves and inverse of small symmetric positive definite matrices.
#include "kernels/symmetric_solve.hpp"

#include "numeric/qmath.hpp"

#include <cmath>

namespace tarvex {

bool cholesky_factor(const std::vector<Real>& a, int k, std::vector<Real>& lower, int& failed,
                     Real relative_floor) {
    const std::size_t n = static_cast<std::size_t>(k);
    lower.assign(n * n, 0);
    failed = -1;
    for (std::size_t j = 0; j < n; ++j) {
        Real d = a[j * n + j];
        for (std::size_t l = 0; l < j; ++l) d -= lower[j * n + l] * lower[j * n + l];
        if (!(d > relative_floor * qm::abs(a[j * n + j])) || !(d > 0) || qm::isinf(d)) {
            failed = static_cast<int>(j);
            return false;
        }
        const Real root = qm::sqrt(d);
        lower[j * n + j] = root;
        for (std::size_t i = j + 1; i < n; ++i) {
            Real v = a[i * n + j];
            for (std::size_t l = 0; l < j; ++l) v -= lower[i * n + l] * lower[j * n + l];
            lower[i * n + j] = v / root;
        }
    }
    return true;
}

std::vector<Real> cholesky_solve(const std::vector<Real>& lower, int k,
                                 const std::vector<Real>& b) {
    const std::size_t n = static_cast<std::size_t>(k);
    std::vector<Real> x(b);
    for (std::size_t i = 0; i < n; ++i) { // L y = b
        for (std::size_t l = 0; l < i; ++l) x[i] -= lower[i * n + l] * x[l];
        x[i] /= lower[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) { // L' x = y
        for (std::size_t l = i + 1; l < n; ++l) x[i] -= lower[l * n + i] * x[l];
        x[i] /= lower[i * n + i];
    }
    return x;
}

std::vector<Real> cholesky_inverse(const std::vector<Real>& lower, int k) {
    const std::size_t n = static_cast<std::size_t>(k);
    std::vector<Real> inv(n * n, 0), unit(n, 0);
    for (std::size_t c = 0; c < n; ++c) {
        unit.assign(n, 0);
        unit[c] = 1;
        const std::vector<Real> col = cholesky_solve(lower, k, unit);
        for (std::size_t r = 0; r < n; ++r) inv[r * n + c] = col[r];
    }
    for (std::size_t r = 0; r < n; ++r) // exactly symmetric
        for (std::size_t c = r + 1; c < n; ++c) inv[c * n + r] = inv[r * n + c];
    return inv;
}

bool solve_positive_definite(const std::vector<double>& m, const std::vector<double>& g,
                             std::vector<double>& x, double relative_floor) {
    const std::size_t k = g.size();
    std::vector<double> lower(k * k, 0), y(k);
    for (std::size_t j = 0; j < k; ++j) {
        double diagonal = m[j * k + j];
        for (std::size_t l = 0; l < j; ++l) diagonal -= lower[j * k + l] * lower[j * k + l];
        if (!(diagonal > relative_floor * std::fabs(m[j * k + j])) || !(diagonal > 0)) return false;
        const double root = std::sqrt(diagonal);
        lower[j * k + j] = root;
        for (std::size_t i = j + 1; i < k; ++i) {
            double v = m[i * k + j];
            for (std::size_t l = 0; l < j; ++l) v -= lower[i * k + l] * lower[j * k + l];
            lower[i * k + j] = v / root;
        }
    }
    for (std::size_t i = 0; i < k; ++i) {
        double v = g[i];
        for (std::size_t l = 0; l < i; ++l) v -= lower[i * k + l] * y[l];
        y[i] = v / lower[i * k + i];
    }
    x.assign(k, 0);
    for (std::size_t i = k; i-- > 0;) {
        double v = y[i];
        for (std::size_t l = i + 1; l < k; ++l) v -= lower[l * k + i] * x[l];
        x[i] = v / lower[i * k + i];
    }
    return true;
}

} // namespace tarvex
