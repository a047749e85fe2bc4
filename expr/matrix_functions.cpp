// The MATRIX operations proper: product, transpose, Kronecker product, side-by-side and
// row-wise joining, and the functions INV .. TRI with their shape checks and messages. The
// decompositions themselves are in matrix_algebra.cpp.
#include "expr/matrix_algebra.hpp"
#include "expr/matrix_executor.hpp"
#include "expr/matrix_operations.hpp"

#include "core/run.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <vector>

namespace tarvex::expr {

namespace {

// Lines of ten values, 13 columns with 5 decimals each.
void list_values(Run& run, const std::vector<Real>& values) {
    std::string line;
    for (std::size_t k = 0; k < values.size(); ++k) {
        line += fmt_F(values[k], 13, 5);
        if ((k + 1) % 10 == 0 || k + 1 == values.size()) {
            write_line(run, line);
            line.clear();
        }
    }
}

// A 1 by 1 value, the result of DET, TRACE and RANK, stored as a data vector of length 1.
Matrix scalar_result(Real x) {
    Matrix r = Matrix::scalar(x);
    r.type = TYPE_DATA;
    return r;
}

bool all_finite(const Matrix& a) {
    for (const Real x : a.v)
        if (qm::isnan(x) || qm::isinf(x)) return false;
    return true;
}

} // namespace

void MatrixExecutor::require_square(const Matrix& a) {
    if (!a.is_square() || a.rows == 0) dimension_error(a);
}

void MatrixExecutor::require_finite(const Matrix& a) {
    for (const Real x : a.v)
        if (qm::isnan(x) || qm::isinf(x))
            error(" ...ERROR..MATRIX HOLDS A VALUE THAT IS NOT A FINITE NUMBER", MATRIX_NOT_FINITE);
}

// The matrix product, each element correctly rounded; a 1 by 1 operand multiplies every element
// of the other.
Matrix MatrixExecutor::product(const Matrix& a, const Matrix& b) {
    if (a.is_scalar() || b.is_scalar()) {
        const Matrix& s = a.is_scalar() ? a : b;
        const Matrix& m = a.is_scalar() ? b : a;
        Matrix r(m.rows, m.cols);
        for (std::size_t k = 0; k < m.v.size(); ++k) r.v[k] = s.v[0] * m.v[k];
        return r;
    }
    if (a.cols != b.rows) dimension_error(a, &b);
    reserve(a.rows, b.cols);
    // Every element is the exact dot product of a row of A and a column of B, rounded once.
    // The rows of A are copied out once so that both operands of each dot are contiguous.
    const long long inner = a.cols;
    std::vector<Real> a_rows(a.v.size());
    for (long long k = 0; k < inner; ++k)
        for (long long i = 0; i < a.rows; ++i)
            a_rows[static_cast<std::size_t>(i * inner + k)] = a(i, k);
    Matrix r(a.rows, b.cols);
    ExactAccumulator sum;
    for (long long j = 0; j < b.cols; ++j) {
        const Real* b_column = b.v.data() + j * inner;
        for (long long i = 0; i < a.rows; ++i)
            r(i, j) = sum.dot(a_rows.data() + i * inner, b_column, static_cast<std::size_t>(inner));
    }
    return r;
}

Matrix MatrixExecutor::eigen_values_or_vectors(const Matrix& a, bool vectors) {
    require_square(a);
    require_finite(a);
    linalg::EigenResult e = linalg::eigen(a, vectors);
    if (e.ok && e.complex && !vectors) e = linalg::eigen(a, true); // for the listing below
    // Elements near the largest binary128 can overflow inside the iterations: the result is
    // then no answer and is refused rather than listed.
    if (e.ok && (!all_finite(e.values) || !all_finite(e.vectors))) e.ok = false;
    if (!e.ok) error(" ...ERROR..ERROR FOUND IN EIGENVALUE" + fmt_I(1, 4), MATRIX_EIGENVALUE);
    if (e.complex && run_.flags.OPUT) {
        write_line(run_, " ...NOTE..IMAGINARY EIGENVALUES FOUND");
        write_line(run_, " REAL PART OF EIGENVALUES");
        list_values(run_, e.values.v);
        write_line(run_, " REAL PART OF EIGENVECTORS");
        for (long long j = 0; j < e.vectors.cols; ++j)
            list_values(run_, std::vector<Real>(e.vectors.v.begin() + j * e.vectors.rows,
                                                e.vectors.v.begin() + (j + 1) * e.vectors.rows));
    }
    Matrix r = vectors ? e.vectors : e.values;
    r.type = vectors ? TYPE_MATRIX : TYPE_DATA;
    return r;
}

Matrix MatrixExecutor::matrix_operation(int op, const Matrix& a, const Matrix* b) {
    switch (op) {
    case OP_TRAN: {
        Matrix r(a.cols, a.rows);
        for (long long j = 0; j < a.cols; ++j)
            for (long long i = 0; i < a.rows; ++i) r(j, i) = a(i, j);
        r.type = a.type == TYPE_SYMMETRIC ? TYPE_SYMMETRIC : TYPE_MATRIX;
        return r;
    }
    case OP_KRON: {
        const long long rows = a.rows * b->rows, cols = a.cols * b->cols;
        if ((a.rows > 0 && rows / a.rows != b->rows) || (a.cols > 0 && cols / a.cols != b->cols))
            reserve(4'000'000'000LL, 4'000'000'000LL);
        reserve(rows, cols);
        Matrix r(rows, cols);
        for (long long ja = 0; ja < a.cols; ++ja)
            for (long long ia = 0; ia < a.rows; ++ia)
                for (long long jb = 0; jb < b->cols; ++jb)
                    for (long long ib = 0; ib < b->rows; ++ib)
                        r(ia * b->rows + ib, ja * b->cols + jb) = a(ia, ja) * (*b)(ib, jb);
        return r;
    }
    case OP_CONC: {
        if (a.rows != b->rows) dimension_error(a, b);
        reserve(a.rows, a.cols + b->cols);
        Matrix r = a;
        r.cols = a.cols + b->cols;
        r.v.insert(r.v.end(), b->v.begin(), b->v.end());
        r.type = TYPE_MATRIX;
        return r;
    }
    case OP_SEMI: {
        if (a.cols != b->cols) dimension_error(a, b);
        reserve(a.rows + b->rows, a.cols);
        Matrix r(a.rows + b->rows, a.cols);
        for (long long j = 0; j < a.cols; ++j) {
            for (long long i = 0; i < a.rows; ++i) r(i, j) = a(i, j);
            for (long long i = 0; i < b->rows; ++i) r(a.rows + i, j) = (*b)(i, j);
        }
        return r;
    }
    case OP_INV: {
        require_square(a);
        if (std::find(a.v.begin(), a.v.end(), run_.ws.XMISS) != a.v.end())
            error(" ...ERROR..CAN NOT INVERT MATRIX WITH MISSING VALUES", MATRIX_MISSING_VALUES);
        require_finite(a);
        Matrix r;
        if (!linalg::invert(a, r)) error(" ...ERROR..SINGULAR MATRIX", MATRIX_SINGULAR);
        return r;
    }
    case OP_IDEN: {
        const Real x = a.is_scalar() ? a.v[0] : 0;
        if (!a.is_scalar() || !(x >= 1 && x <= 4e9Q) || qm::trunc(x) != x) dimension_error(a);
        const long long n = static_cast<long long>(x);
        reserve(n, n);
        Matrix r(n, n);
        for (long long i = 0; i < n; ++i) r(i, i) = 1;
        return r;
    }
    case OP_EIGVAL:
        return eigen_values_or_vectors(a, false);
    case OP_EIGVEC:
        return eigen_values_or_vectors(a, true);
    case OP_DET: {
        require_square(a);
        require_finite(a);
        const linalg::ScaledValue d = linalg::determinant(a);
        if (d.power10 != 0)
            note(" DETERMINANT SHOULD BE MULTIPLIED BY 10**" +
                 fmt_I(std::clamp(d.power10, -9999LL, 99999LL), 5));
        return scalar_result(d.mantissa);
    }
    case OP_DIAG: {
        if (a.is_square()) {
            Matrix r(a.rows, 1);
            for (long long i = 0; i < a.rows; ++i) r(i, 0) = a(i, i);
            r.type = TYPE_DATA;
            return r;
        }
        if (a.rows != 1 && a.cols != 1) dimension_error(a);
        const long long n = a.size();
        reserve(n, n);
        Matrix r(n, n);
        for (long long i = 0; i < n; ++i) r(i, i) = a.v[static_cast<std::size_t>(i)];
        return r;
    }
    case OP_TRACE: {
        require_square(a);
        Real sum = 0;
        for (long long i = 0; i < a.rows; ++i) sum += a(i, i);
        return scalar_result(sum);
    }
    case OP_RANK:
        if (a.size() == 0) dimension_error(a);
        require_finite(a);
        return scalar_result(Real(linalg::rank(a)));
    case OP_CHOL: {
        require_square(a);
        require_finite(a);
        Matrix r;
        if (!linalg::cholesky(a, r)) error(" ...ERROR..SINGULAR MATRIX", MATRIX_SINGULAR);
        r.type = TYPE_TRIANGLE;
        return r;
    }
    case OP_SVD:
        if (a.size() == 0) dimension_error(a);
        require_finite(a);
        return linalg::generalized_inverse(a);
    case OP_FACT: {
        require_square(a);
        require_finite(a);
        Matrix r;
        if (!linalg::factor(a, r))
            error(" ...ERROR..FACT NEEDS A NON-NEGATIVE DEFINITE MATRIX", MATRIX_NOT_DEFINITE);
        return r;
    }
    case OP_VEC: {
        Matrix r = a;
        r.rows = a.size();
        r.cols = 1;
        r.type = TYPE_DATA;
        return r;
    }
    case OP_SYM:
    case OP_TRI: {
        require_square(a);
        Matrix r(a.rows, a.cols);
        for (long long j = 0; j < a.cols; ++j)
            for (long long i = j; i < a.rows; ++i) {
                r(i, j) = a(i, j);
                if (op == OP_SYM) r(j, i) = a(i, j);
            }
        r.type = op == OP_SYM ? TYPE_SYMMETRIC : TYPE_TRIANGLE;
        return r;
    }
    default:
        dimension_error(a, b);
    }
}

} // namespace tarvex::expr
