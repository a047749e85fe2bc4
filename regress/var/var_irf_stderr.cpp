// The delta-method covariance of the impulse responses. The lag coefficients' covariance is a
// Kronecker product, and so is every term of G_i, so the diagonal of G_i V G_i' is a sum over
// pairs of terms of products of two small diagonals: (F X F'')[a,a] (Phi S Phi'')[b,b].
#include "regress/var/var_irf_stderr.hpp"

#include "numeric/qmath.hpp"

#include <cstddef>
#include <utility>

namespace tarvex {

namespace {

// A dense row-major matrix, enough for the products below.
struct IrfMatrix {
    int rows = 0, cols = 0;
    std::vector<Real> v;
    IrfMatrix(int r, int c) : rows(r), cols(c), v(std::size_t(r) * std::size_t(c), 0) {}
    Real& operator()(int i, int j) { return v[std::size_t(i) * cols + j]; }
    Real operator()(int i, int j) const { return v[std::size_t(i) * cols + j]; }
};

IrfMatrix irf_product(const IrfMatrix& a, const IrfMatrix& b) {
    IrfMatrix c(a.rows, b.cols);
    for (int i = 0; i < a.rows; ++i)
        for (int l = 0; l < a.cols; ++l) {
            const Real x = a(i, l);
            if (x == 0) continue;
            for (int j = 0; j < b.cols; ++j) c(i, j) += x * b(l, j);
        }
    return c;
}

IrfMatrix irf_transpose(const IrfMatrix& a) {
    IrfMatrix t(a.cols, a.rows);
    for (int i = 0; i < a.rows; ++i)
        for (int j = 0; j < a.cols; ++j) t(j, i) = a(i, j);
    return t;
}

IrfMatrix irf_square(const std::vector<Real>& values, int k) {
    IrfMatrix a(k, k);
    a.v = values;
    return a;
}

// The inverse of a small nonsingular matrix by Gauss-Jordan elimination with partial pivoting.
IrfMatrix irf_inverse(IrfMatrix a) {
    const int n = a.rows;
    IrfMatrix inv(n, n);
    for (int i = 0; i < n; ++i) inv(i, i) = 1;
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (qm::abs(a(r, c)) > qm::abs(a(pivot, c))) pivot = r;
        for (int j = 0; j < n; ++j) {
            std::swap(a(c, j), a(pivot, j));
            std::swap(inv(c, j), inv(pivot, j));
        }
        const Real d = a(c, c);
        for (int j = 0; j < n; ++j) a(c, j) /= d, inv(c, j) /= d;
        for (int r = 0; r < n; ++r) {
            if (r == c || a(r, c) == 0) continue;
            const Real f = a(r, c);
            for (int j = 0; j < n; ++j) a(r, j) -= f * a(c, j), inv(r, j) -= f * inv(c, j);
        }
    }
    return inv;
}

// F_n = J (A')^n, K x K p, for n = 0 .. horizon - 1: row a of F_n is column a of A^n's first
// K columns, i.e. F_n = (A^n restricted to its first K columns)'.
std::vector<IrfMatrix> companion_power_rows(const LagMatrices& lags, int k, int horizon) {
    const int p = int(lags.size()), kp = k * p;
    IrfMatrix comp(kp, kp);
    for (int l = 0; l < p; ++l)
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j)
                comp(i, l * k + j) = lags[std::size_t(l)][std::size_t(i) * k + j];
    for (int i = k; i < kp; ++i) comp(i, i - k) = 1;
    std::vector<IrfMatrix> out;
    IrfMatrix power(kp, kp);
    for (int i = 0; i < kp; ++i) power(i, i) = 1;
    for (int n = 0; n < horizon; ++n) {
        IrfMatrix f(k, kp);
        for (int a = 0; a < k; ++a)
            for (int c = 0; c < kp; ++c) f(a, c) = power(c, a);
        out.push_back(std::move(f));
        power = irf_product(power, comp);
    }
    return out;
}

// vech index of (i, j), i >= j: the lower triangle column after column.
int vech_index(int i, int j, int k) {
    return j * k - j * (j - 1) / 2 + (i - j);
}

// H = L' (L ((I kron P) K_kk + (P kron I)) L')^-1: the derivative of vec(P) by vech(sigma).
IrfMatrix cholesky_derivative(const IrfMatrix& p, int k) {
    const int k2 = k * k, kh = k * (k + 1) / 2;
    // M = (I kron P) K_kk + (P kron I), vec index a*k + b is element (b, a).
    IrfMatrix m(k2, k2);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b)
            for (int c = 0; c < k; ++c)
                for (int d = 0; d < k; ++d) {
                    Real x = 0;
                    // (I kron P)[(a,b),(c',d')] = [a==c'] P[b,d']; K_kk maps (c,d) to (d,c).
                    if (a == d) x += p(b, c);
                    // (P kron I)[(a,b),(c,d)] = P[a,c] [b==d]
                    if (b == d) x += p(a, c);
                    m(a * k + b, c * k + d) = x;
                }
    IrfMatrix l(kh, k2); // elimination: vech(A) = L vec(A)
    for (int j = 0; j < k; ++j)
        for (int i = j; i < k; ++i) l(vech_index(i, j, k), j * k + i) = 1;
    const IrfMatrix lt = irf_transpose(l);
    const IrfMatrix b = irf_product(irf_product(l, m), lt);
    return irf_product(lt, irf_inverse(b));
}

// S = 2 D+ (sigma kron sigma) D+', the covariance of vech(sigma) (times T).
IrfMatrix vech_sigma_covariance(const IrfMatrix& s, int k) {
    const int k2 = k * k, kh = k * (k + 1) / 2;
    IrfMatrix dplus(kh, k2);
    for (int j = 0; j < k; ++j)
        for (int i = j; i < k; ++i) {
            const Real w = i == j ? Real(1) : Real(0.5Q);
            dplus(vech_index(i, j, k), j * k + i) += w;
            dplus(vech_index(i, j, k), i * k + j) += i == j ? Real(0) : w;
        }
    IrfMatrix kron(k2, k2);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b)
            for (int c = 0; c < k; ++c)
                for (int d = 0; d < k; ++d) kron(a * k + b, c * k + d) = s(a, c) * s(b, d);
    IrfMatrix out = irf_product(irf_product(dplus, kron), irf_transpose(dplus));
    for (Real& x : out.v) x *= 2;
    return out;
}

} // namespace

std::vector<std::vector<Real>> impulse_response_stderr(const VarResponseInputs& in,
                                                       bool orthogonal) {
    const int k = in.k, p = int(in.lags->size()), kp = k * p, horizon = in.horizon;
    const std::vector<std::vector<Real>> phi =
        impulse_responses(*in.lags, k, horizon, std::vector<Real>{});
    const std::vector<IrfMatrix> powers = companion_power_rows(*in.lags, k, horizon);
    IrfMatrix x(kp, kp);
    for (int i = 0; i < kp; ++i)
        for (int j = 0; j < kp; ++j) x(i, j) = (*in.xtx_inv)[std::size_t(i) * in.m + j];
    const IrfMatrix sigma = irf_square(*in.sigma, k);
    const IrfMatrix chol = irf_square(*in.factor, k);
    const IrfMatrix chol_t = irf_transpose(chol);
    // F_n, premultiplied by P' for the orthogonalised responses.
    std::vector<IrfMatrix> f;
    for (const IrfMatrix& power : powers)
        f.push_back(orthogonal ? irf_product(chol_t, power) : power);
    std::vector<IrfMatrix> phis;
    for (const std::vector<Real>& m : phi) phis.push_back(irf_square(m, k));
    IrfMatrix h_matrix(0, 0), s_vech(0, 0);
    if (orthogonal) {
        h_matrix = cholesky_derivative(chol, k);
        s_vech = vech_sigma_covariance(sigma, k);
    }
    // The diagonals the sums need, once for every pair of terms: (F_u X F_w')[a,a] and
    // (Phi_u sigma Phi_w')[b,b], u, w < horizon.
    const std::size_t steps = std::size_t(horizon);
    std::vector<Real> fx_diag(steps * steps * std::size_t(k)), ps_diag(fx_diag.size());
    for (std::size_t u = 0; u < steps; ++u) {
        const IrfMatrix fx = irf_product(f[u], x);
        const IrfMatrix ps = irf_product(phis[u], sigma);
        for (std::size_t w = 0; w < steps; ++w)
            for (int a = 0; a < k; ++a) {
                Real sf = 0, sp = 0;
                for (int c = 0; c < kp; ++c) sf += fx(a, c) * f[w](a, c);
                for (int c = 0; c < k; ++c) sp += ps(a, c) * phis[w](a, c);
                fx_diag[(u * steps + w) * std::size_t(k) + std::size_t(a)] = sf;
                ps_diag[(u * steps + w) * std::size_t(k) + std::size_t(a)] = sp;
            }
    }
    std::vector<std::vector<Real>> out;
    for (int i = 0; i <= horizon; ++i) {
        std::vector<Real> var(std::size_t(k) * k, 0); // var[row b * k + column a]
        for (int m1 = 0; m1 < i; ++m1)
            for (int m2 = 0; m2 < i; ++m2) {
                const std::size_t fpair = std::size_t(i - 1 - m1) * steps + std::size_t(i - 1 - m2);
                const std::size_t ppair = std::size_t(m1) * steps + std::size_t(m2);
                for (int a = 0; a < k; ++a)
                    for (int b = 0; b < k; ++b)
                        var[std::size_t(b) * k + a] += fx_diag[fpair * k + std::size_t(a)] *
                                                       ps_diag[ppair * k + std::size_t(b)];
            }
        if (orthogonal) {
            // Cbar_i = (I kron Phi_i) H; row a*k + b of (I kron Phi_i) is Phi_i's row b at block a.
            const int kh = k * (k + 1) / 2;
            IrfMatrix cbar(k * k, kh);
            for (int a = 0; a < k; ++a)
                for (int b = 0; b < k; ++b)
                    for (int c = 0; c < kh; ++c) {
                        Real s = 0;
                        for (int d = 0; d < k; ++d)
                            s += phis[std::size_t(i)](b, d) * h_matrix(a * k + d, c);
                        cbar(a * k + b, c) = s;
                    }
            const IrfMatrix cs = irf_product(cbar, s_vech);
            for (int a = 0; a < k; ++a)
                for (int b = 0; b < k; ++b) {
                    Real s = 0;
                    for (int c = 0; c < kh; ++c) s += cs(a * k + b, c) * cbar(a * k + b, c);
                    var[std::size_t(b) * k + a] += s / in.t;
                }
        }
        for (Real& v : var) v = v > 0 ? qm::sqrt(v) : Real(0);
        out.push_back(std::move(var));
    }
    return out;
}

} // namespace tarvex
