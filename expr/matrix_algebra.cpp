// The decompositions behind MATRIX, with Eigen instantiated on a binary128 scalar (the one
// translation unit that includes Eigen). Values cross between __float128 and the wrapper type
// bit for bit; nothing passes through double.
#include "expr/matrix_algebra.hpp"

#include "numeric/qmath.hpp"
#include "numeric/symmetric_eigen.hpp"

#include <Eigen/Core>
#include <boost/multiprecision/float128.hpp>

namespace Eigen {
// Eigen's description of the binary128 wrapper (the limits come from std::numeric_limits).
template <>
struct NumTraits<boost::multiprecision::float128>
    : GenericNumTraits<boost::multiprecision::float128> {
    using Real = boost::multiprecision::float128;
    using NonInteger = Real;
    using Nested = Real;
    using Literal = Real;
    enum {
        IsComplex = 0,
        IsInteger = 0,
        IsSigned = 1,
        RequireInitialization = 1,
        ReadCost = 1,
        AddCost = 4,
        MulCost = 8
    };
    static inline Real dummy_precision() { return Real(1e-28Q); }
    static inline int digits10() { return 33; }
};
} // namespace Eigen

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <Eigen/SVD>

#include <algorithm>
#include <numeric>

namespace tarvex::expr::linalg {

namespace {

using Q = boost::multiprecision::float128;
using QMatrix = Eigen::Matrix<Q, Eigen::Dynamic, Eigen::Dynamic>;

Real raw(const Q& x) {
    return x.backend().value();
}

QMatrix to_eigen(const Matrix& a) {
    QMatrix m(a.rows, a.cols);
    for (long long j = 0; j < a.cols; ++j)
        for (long long i = 0; i < a.rows; ++i) m(i, j) = Q(a(i, j));
    return m;
}

Matrix from_eigen(const QMatrix& m) {
    Matrix a(m.rows(), m.cols());
    for (long long j = 0; j < a.cols; ++j)
        for (long long i = 0; i < a.rows; ++i) a(i, j) = raw(m(i, j));
    return a;
}

bool exactly_symmetric(const Matrix& a) {
    for (long long j = 0; j < a.cols; ++j)
        for (long long i = j + 1; i < a.rows; ++i)
            if (a(i, j) != a(j, i)) return false;
    return true;
}

// Makes the component of largest size of every column positive.
void orient_columns(Matrix& v) {
    for (long long j = 0; j < v.cols; ++j) {
        long long big = 0;
        for (long long i = 1; i < v.rows; ++i)
            if (qm::abs(v(i, j)) > qm::abs(v(big, j))) big = i;
        const bool flip = v.rows > 0 && v(big, j) < 0;
        for (long long i = 0; i < v.rows; ++i)
            v(i, j) = (flip ? -v(i, j) : v(i, j)) + Real(0); // no -0
    }
}

// Symmetric eigenvalues (the engine's tridiagonal QL) and, when asked, Eigen's eigenvectors,
// both largest first.
EigenResult symmetric_eigen(const Matrix& a, bool want_vectors) {
    EigenResult out;
    const long long n = a.rows;
    std::vector<Real> work(a.v);
    std::vector<Real> ascending;
    if (!symmetric_eigenvalues(work, static_cast<int>(n), ascending)) {
        out.ok = false;
        return out;
    }
    out.values = Matrix(n, 1);
    for (long long k = 0; k < n; ++k)
        out.values(k, 0) = ascending[static_cast<std::size_t>(n - 1 - k)];
    if (!want_vectors) return out;
    Eigen::SelfAdjointEigenSolver<QMatrix> solver(to_eigen(a), Eigen::ComputeEigenvectors);
    if (solver.info() != Eigen::Success) {
        out.ok = false;
        return out;
    }
    const QMatrix& vec = solver.eigenvectors();
    out.vectors = Matrix(n, n);
    for (long long k = 0; k < n; ++k)
        for (long long i = 0; i < n; ++i) out.vectors(i, k) = raw(vec(i, n - 1 - k));
    orient_columns(out.vectors);
    return out;
}

EigenResult general_eigen(const Matrix& a, bool want_vectors) {
    EigenResult out;
    const long long n = a.rows;
    Eigen::EigenSolver<QMatrix> solver(to_eigen(a), want_vectors);
    if (solver.info() != Eigen::Success) {
        out.ok = false;
        return out;
    }
    const auto& values = solver.eigenvalues();
    std::vector<long long> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0LL);
    std::stable_sort(order.begin(), order.end(), [&](long long x, long long y) {
        if (values(x).real() != values(y).real()) return values(x).real() > values(y).real();
        return values(x).imag() > values(y).imag();
    });
    out.values = Matrix(n, 1);
    for (long long k = 0; k < n; ++k) {
        const auto& z = values(order[static_cast<std::size_t>(k)]);
        out.values(k, 0) = raw(z.real());
        if (z.imag() != 0) out.complex = true;
    }
    if (!want_vectors) return out;
    const auto vec = solver.eigenvectors();
    out.vectors = Matrix(n, n);
    for (long long k = 0; k < n; ++k)
        for (long long i = 0; i < n; ++i)
            out.vectors(i, k) = raw(vec(i, order[static_cast<std::size_t>(k)]).real());
    orient_columns(out.vectors);
    return out;
}

} // namespace

Real zero_level(long long n) {
    return Real(16) * Real(std::max(n, 1LL)) * EPSNEG * 2;
}

bool invert(const Matrix& a, Matrix& inverse) {
    Eigen::FullPivLU<QMatrix> lu(to_eigen(a));
    lu.setThreshold(Q(zero_level(a.rows)));
    if (!lu.isInvertible()) return false;
    inverse = from_eigen(lu.inverse());
    return true;
}

ScaledValue determinant(const Matrix& a) {
    ScaledValue out;
    const long long n = a.rows;
    if (n == 0) {
        out.mantissa = 1;
        return out;
    }
    Eigen::FullPivLU<QMatrix> lu(to_eigen(a));
    lu.setThreshold(Q(zero_level(n)));
    if (!lu.isInvertible()) return out;
    // The product of the pivots with its binary exponent carried apart, then turned to decimal.
    Real mantissa = lu.permutationP().determinant() * lu.permutationQ().determinant();
    long long exponent2 = 0;
    for (long long k = 0; k < n; ++k) {
        int e = 0;
        mantissa = frexpq(mantissa * raw(lu.matrixLU()(k, k)), &e);
        exponent2 += e;
    }
    // Within the normal binary128 range the value itself is exact; beyond it, the decimal
    // mantissa and power come from the logarithm (about 28 correct digits).
    if (exponent2 > -16380 && exponent2 < 16383) {
        out.mantissa = ldexpq(mantissa, static_cast<int>(exponent2));
        return out;
    }
    const Real log10_value = qm::log10(qm::abs(mantissa)) + Real(exponent2) * qm::log10(Real(2));
    const Real power = qm::floor(log10_value);
    Real m = qm::pow(Real(10), log10_value - power);
    if (m >= 10) m = 10 - EPSNEG * 16; // the rounding of the fraction reached the next decade
    out.mantissa = mantissa < 0 ? -m : m;
    out.power10 = static_cast<long long>(power);
    return out;
}

EigenResult eigen(const Matrix& a, bool want_vectors) {
    return exactly_symmetric(a) ? symmetric_eigen(a, want_vectors) : general_eigen(a, want_vectors);
}

bool cholesky(const Matrix& a, Matrix& lower) {
    Eigen::LLT<QMatrix> llt(to_eigen(a));
    if (llt.info() != Eigen::Success) return false;
    QMatrix l = llt.matrixL();
    lower = from_eigen(l);
    // A zero pivot within the rounding level is a singular matrix, not a factor.
    Real biggest = 0;
    for (long long k = 0; k < lower.rows; ++k) biggest = std::max(biggest, qm::abs(lower(k, k)));
    for (long long k = 0; k < lower.rows; ++k)
        if (lower(k, k) * lower(k, k) <= zero_level(a.rows) * biggest * biggest) return false;
    return true;
}

Matrix generalized_inverse(const Matrix& a) {
    const QMatrix m = to_eigen(a);
    Eigen::JacobiSVD<QMatrix> svd(m, Eigen::ComputeThinU | Eigen::ComputeThinV);
    const auto& s = svd.singularValues();
    const Q cut = s.size() > 0 ? s(0) * Q(zero_level(std::max(a.rows, a.cols))) : Q(0);
    QMatrix inverse = QMatrix::Zero(a.cols, a.rows);
    for (Eigen::Index k = 0; k < s.size(); ++k)
        if (s(k) > cut) inverse += (svd.matrixV().col(k) / s(k)) * svd.matrixU().col(k).transpose();
    return from_eigen(inverse);
}

long long rank(const Matrix& a) {
    if (a.size() == 0) return 0;
    Eigen::JacobiSVD<QMatrix> svd(to_eigen(a));
    const auto& s = svd.singularValues();
    const Q cut = s(0) * Q(zero_level(std::max(a.rows, a.cols)));
    long long r = 0;
    for (Eigen::Index k = 0; k < s.size(); ++k)
        if (s(k) > cut) ++r;
    return r;
}

bool factor(const Matrix& a, Matrix& f) {
    const long long n = a.rows;
    Matrix sym = a;
    for (long long j = 0; j < n; ++j)
        for (long long i = j + 1; i < n; ++i) sym(j, i) = sym(i, j);
    const EigenResult e = symmetric_eigen(sym, true);
    if (!e.ok) return false;
    Real biggest = 0;
    for (long long k = 0; k < n; ++k) biggest = std::max(biggest, qm::abs(e.values(k, 0)));
    f = Matrix(n, n);
    for (long long k = 0; k < n; ++k) {
        Real lambda = e.values(k, 0);
        if (lambda < 0) {
            if (-lambda > zero_level(n) * biggest) return false;
            lambda = 0;
        }
        const Real root = qm::sqrt(lambda);
        for (long long i = 0; i < n; ++i) f(i, k) = e.vectors(i, k) * root;
    }
    return true;
}

} // namespace tarvex::expr::linalg
