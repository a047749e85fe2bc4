// The eigenvalue moduli of a VAR's companion matrix: reduction to upper Hessenberg form by
// elimination with row pivoting, then the shifted double-step QR iteration, which leaves the
// eigenvalues one or two at a time at the bottom of the matrix. The matrix is small (k p
// square), so it is held whole.
#include "numeric/qmath.hpp"
#include "regress/var/var_dynamics.hpp"

#include <algorithm>
#include <functional>
#include <utility>

namespace tarvex {

namespace {

struct SquareView {
    std::vector<Real>& a;
    int n;
    Real& operator()(int i, int j) { return a[std::size_t(i) * std::size_t(n) + std::size_t(j)]; }
};

Real signed_as(Real magnitude, Real sign) {
    return sign >= 0 ? qm::abs(magnitude) : -qm::abs(magnitude);
}

void reduce_to_hessenberg(SquareView a) {
    const int n = a.n;
    for (int m = 1; m < n - 1; ++m) {
        Real x = 0;
        int pivot = m;
        for (int j = m; j < n; ++j)
            if (qm::abs(a(j, m - 1)) > qm::abs(x)) {
                x = a(j, m - 1);
                pivot = j;
            }
        if (pivot != m) {
            for (int j = m - 1; j < n; ++j) std::swap(a(pivot, j), a(m, j));
            for (int j = 0; j < n; ++j) std::swap(a(j, pivot), a(j, m));
        }
        if (x == 0) continue;
        for (int i = m + 1; i < n; ++i) {
            Real y = a(i, m - 1);
            if (y == 0) continue;
            y /= x;
            a(i, m - 1) = y;
            for (int j = m; j < n; ++j) a(i, j) -= y * a(m, j);
            for (int j = 0; j < n; ++j) a(j, m) += y * a(j, i);
        }
    }
    for (int i = 2; i < n; ++i)
        for (int j = 0; j < i - 1; ++j) a(i, j) = 0;
}

// The eigenvalues (re, im) of an upper Hessenberg matrix; false when one did not settle.
bool hessenberg_eigenvalues(SquareView a, std::vector<Real>& re, std::vector<Real>& im) {
    const int n = a.n;
    re.assign(std::size_t(n), 0);
    im.assign(std::size_t(n), 0);
    Real anorm = 0;
    for (int i = 0; i < n; ++i)
        for (int j = std::max(i - 1, 0); j < n; ++j) anorm += qm::abs(a(i, j));
    int nn = n - 1;
    Real shift = 0;
    Real p = 0, q = 0, r = 0, s = 0, w = 0, x = 0, y = 0, z = 0;
    while (nn >= 0) {
        int its = 0, l = 0;
        do {
            for (l = nn; l >= 1; --l) {
                s = qm::abs(a(l - 1, l - 1)) + qm::abs(a(l, l));
                if (s == 0) s = anorm;
                if (qm::abs(a(l, l - 1)) + s == s) {
                    a(l, l - 1) = 0;
                    break;
                }
            }
            if (l < 0) l = 0;
            x = a(nn, nn);
            if (l == nn) {
                re[std::size_t(nn)] = x + shift;
                --nn;
            } else {
                y = a(nn - 1, nn - 1);
                w = a(nn, nn - 1) * a(nn - 1, nn);
                if (l == nn - 1) {
                    p = (y - x) / 2;
                    q = p * p + w;
                    z = qm::sqrt(qm::abs(q));
                    x += shift;
                    if (q >= 0) {
                        z = p + signed_as(z, p);
                        re[std::size_t(nn - 1)] = re[std::size_t(nn)] = x + z;
                        if (z != 0) re[std::size_t(nn)] = x - w / z;
                    } else {
                        re[std::size_t(nn - 1)] = re[std::size_t(nn)] = x + p;
                        im[std::size_t(nn - 1)] = -z;
                        im[std::size_t(nn)] = z;
                    }
                    nn -= 2;
                } else {
                    if (its == 60) return false;
                    if (its == 10 || its == 20 || its == 40) {
                        shift += x;
                        for (int i = 0; i <= nn; ++i) a(i, i) -= x;
                        s = qm::abs(a(nn, nn - 1)) + qm::abs(a(nn - 1, nn - 2));
                        y = x = Real(0.75) * s;
                        w = Real(-0.4375) * s * s;
                    }
                    ++its;
                    int m = nn - 2;
                    for (; m >= l; --m) {
                        z = a(m, m);
                        r = x - z;
                        s = y - z;
                        p = (r * s - w) / a(m + 1, m) + a(m, m + 1);
                        q = a(m + 1, m + 1) - z - r - s;
                        r = a(m + 2, m + 1);
                        s = qm::abs(p) + qm::abs(q) + qm::abs(r);
                        p /= s;
                        q /= s;
                        r /= s;
                        if (m == l) break;
                        const Real u = qm::abs(a(m, m - 1)) * (qm::abs(q) + qm::abs(r));
                        const Real v = qm::abs(p) * (qm::abs(a(m - 1, m - 1)) + qm::abs(z) +
                                                     qm::abs(a(m + 1, m + 1)));
                        if (u + v == v) break;
                    }
                    for (int i = m + 2; i <= nn; ++i) {
                        a(i, i - 2) = 0;
                        if (i != m + 2) a(i, i - 3) = 0;
                    }
                    for (int k = m; k <= nn - 1; ++k) {
                        if (k != m) {
                            p = a(k, k - 1);
                            q = a(k + 1, k - 1);
                            r = k != nn - 1 ? a(k + 2, k - 1) : 0;
                            x = qm::abs(p) + qm::abs(q) + qm::abs(r);
                            if (x != 0) {
                                p /= x;
                                q /= x;
                                r /= x;
                            }
                        }
                        s = signed_as(qm::sqrt(p * p + q * q + r * r), p);
                        if (s == 0) continue;
                        if (k == m) {
                            if (l != m) a(k, k - 1) = -a(k, k - 1);
                        } else {
                            a(k, k - 1) = -s * x;
                        }
                        p += s;
                        x = p / s;
                        y = q / s;
                        z = r / s;
                        q /= p;
                        r /= p;
                        for (int j = k; j <= nn; ++j) {
                            p = a(k, j) + q * a(k + 1, j);
                            if (k != nn - 1) {
                                p += r * a(k + 2, j);
                                a(k + 2, j) -= p * z;
                            }
                            a(k + 1, j) -= p * y;
                            a(k, j) -= p * x;
                        }
                        const int last = std::min(nn, k + 3);
                        for (int i = l; i <= last; ++i) {
                            p = x * a(i, k) + y * a(i, k + 1);
                            if (k != nn - 1) {
                                p += z * a(i, k + 2);
                                a(i, k + 2) -= p * r;
                            }
                            a(i, k + 1) -= p * q;
                            a(i, k) -= p;
                        }
                    }
                }
            }
        } while (nn >= 0 && l < nn - 1);
    }
    return true;
}

} // namespace

std::vector<Real> companion_moduli(const LagMatrices& a, int k) {
    const int p = int(a.size());
    const int n = k * p;
    if (n == 0) return {};
    std::vector<Real> c(std::size_t(n) * std::size_t(n), 0);
    SquareView view{c, n};
    for (int l = 0; l < p; ++l)
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j)
                view(i, l * k + j) = a[std::size_t(l)][std::size_t(i * k + j)];
    for (int i = k; i < n; ++i) view(i, i - k) = 1;
    reduce_to_hessenberg(view);
    std::vector<Real> re, im;
    if (!hessenberg_eigenvalues(view, re, im)) return {};
    std::vector<Real> moduli;
    for (int i = 0; i < n; ++i)
        moduli.push_back(qm::sqrt(re[std::size_t(i)] * re[std::size_t(i)] +
                                  im[std::size_t(i)] * im[std::size_t(i)]));
    std::sort(moduli.begin(), moduli.end(), std::greater<Real>());
    return moduli;
}

} // namespace tarvex
