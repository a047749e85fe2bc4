// Symmetric eigenvalues: reduction A -> H'AH = T (tridiagonal) by n-2 reflections, then the
// implicit QL iteration on T, which deflates one eigenvalue at a time from the top.
#include "numeric/symmetric_eigen.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>
#include <cstddef>

namespace tarvex {
namespace {

Real hypotenuse(Real a, Real b) {
    const Real big = std::max(qm::abs(a), qm::abs(b));
    if (big == 0) return 0;
    const Real x = a / big;
    const Real y = b / big;
    return big * qm::sqrt(x * x + y * y);
}

// Reduces the lower triangle of `a` to tridiagonal form: diagonal d, subdiagonal e (e[i] couples
// rows i and i+1; e[n-1] = 0). Only the lower triangle is read and updated.
void tridiagonalize(std::vector<Real>& a, int n, std::vector<Real>& d, std::vector<Real>& e) {
    const auto at = [n](int row, int col) { return static_cast<std::size_t>(col) * n + row; };
    d.assign(static_cast<std::size_t>(n), Real(0));
    e.assign(static_cast<std::size_t>(n), Real(0));
    std::vector<Real> v(static_cast<std::size_t>(n));
    std::vector<Real> p(static_cast<std::size_t>(n));
    for (int k = 0; k + 2 < n; ++k) {
        // Reflection H = I - beta v v' of rows k+1..n-1 that zeroes column k below its
        // subdiagonal; v is scaled by the column's largest element (H does not change).
        Real big = 0;
        for (int i = k + 1; i < n; ++i) big = std::max(big, qm::abs(a[at(i, k)]));
        if (big == 0) continue;
        Real norm2 = 0;
        for (int i = k + 1; i < n; ++i) {
            v[i] = a[at(i, k)] / big;
            norm2 += v[i] * v[i];
        }
        const Real norm = qm::sqrt(norm2);
        const Real alpha = v[k + 1] < 0 ? norm : -norm;
        v[k + 1] -= alpha;
        const Real vv = -2 * alpha * v[k + 1]; // v'v
        if (vv == 0) continue;
        const Real beta = 2 / vv;
        // p = beta A22 v from the lower triangle, w = p - (beta/2)(p'v) v, A22 -= v w' + w v'.
        for (int i = k + 1; i < n; ++i) p[i] = 0;
        for (int j = k + 1; j < n; ++j) {
            p[j] += a[at(j, j)] * v[j];
            for (int i = j + 1; i < n; ++i) {
                p[i] += a[at(i, j)] * v[j];
                p[j] += a[at(i, j)] * v[i];
            }
        }
        Real pv = 0;
        for (int i = k + 1; i < n; ++i) {
            p[i] *= beta;
            pv += p[i] * v[i];
        }
        const Real half = beta * pv / 2;
        for (int i = k + 1; i < n; ++i) p[i] -= half * v[i];
        for (int j = k + 1; j < n; ++j)
            for (int i = j; i < n; ++i) a[at(i, j)] -= v[i] * p[j] + p[i] * v[j];
        a[at(k + 1, k)] = alpha * big;
        for (int i = k + 2; i < n; ++i) a[at(i, k)] = 0;
    }
    for (int i = 0; i < n; ++i) {
        d[i] = a[at(i, i)];
        if (i + 1 < n) e[i] = a[at(i + 1, i)];
    }
}

// Implicit QL on the tridiagonal (d, e); the eigenvalues are left in d.
bool tridiagonal_ql(std::vector<Real>& d, std::vector<Real>& e, int n) {
    for (int l = 0; l < n; ++l) {
        int iterations = 0;
        int m = l;
        for (;;) {
            for (m = l; m + 1 < n; ++m) {
                const Real scale = qm::abs(d[m]) + qm::abs(d[m + 1]);
                if (qm::abs(e[m]) <= EPSNEG * scale) break;
            }
            if (m == l) break;
            if (++iterations > 60) return false;
            Real g = (d[l + 1] - d[l]) / (2 * e[l]);
            Real r = hypotenuse(g, 1);
            g = d[m] - d[l] + e[l] / (g + (g < 0 ? -r : r));
            Real s = 1;
            Real c = 1;
            Real p = 0;
            bool underflow = false;
            for (int i = m - 1; i >= l; --i) {
                const Real f = s * e[i];
                const Real b = c * e[i];
                r = hypotenuse(f, g);
                e[i + 1] = r;
                if (r == 0) {
                    d[i + 1] -= p;
                    e[m] = 0;
                    underflow = true;
                    break;
                }
                s = f / r;
                c = g / r;
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2 * c * b;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - b;
            }
            if (underflow) continue;
            d[l] -= p;
            e[l] = g;
            e[m] = 0;
        }
    }
    return true;
}

} // namespace

bool symmetric_eigenvalues(std::vector<Real>& a, int n, std::vector<Real>& values) {
    values.clear();
    if (n <= 0) return true;
    std::vector<Real> e;
    tridiagonalize(a, n, values, e);
    if (!tridiagonal_ql(values, e, n)) return false;
    std::sort(values.begin(), values.end());
    return true;
}

} // namespace tarvex
