// Tests of MATRIX beyond the matrix goldens (which pin the shapes, the replacement of the target
// and every message) and matrix/elements (element operations, running and observation
// functions, RECODE, an infinite EXP argument): products rounded once, and the
// accuracy of the linear algebra on Hilbert matrices of order 8 to 12 (against the exact
// determinant formula and the identities A inv(A) = I, A v = lambda v, L L' = A and the Penrose
// conditions).
#include "core/command_table.hpp"
#include "expr/matrix_command.hpp"
#include "numeric/qmath.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;

// A matrix read back from the workspace, rows by columns, element (i, j) 1-based.
struct Stored {
    int type = 0;
    long long rows = 0, cols = 0;
    std::vector<Real> v;
    Real operator()(long long i, long long j) const { return v[(j - 1) * rows + (i - 1)]; }
};

struct MatrixEngine : testing::WorkspaceEngine {
    MatrixEngine() : WorkspaceEngine(100, 400000) {
        for (SwitchId id : {OWARN, OTALK}) run.sw[id] = true;
    }
    Lines matrix(const std::string& args) {
        run.cmd.text = "MATRIX " + args;
        run.cmd.col = 6;
        run.cmd.IKOD = C_MATRIX;
        run.flags.ODONT = false;
        run.flags.OPUT = true;
        cmd_matrix(run);
        return lines();
    }
    // A rows by cols matrix given row after row.
    void put(const std::string& name, long long rows, long long cols,
             const std::vector<Real>& by_row) {
        const int ref =
            make(name, rows * cols, cols == 1 ? TYPE_DATA : TYPE_MATRIX, static_cast<int>(cols));
        ASSERT_GT(ref, 0);
        for (long long i = 0; i < rows; ++i)
            for (long long j = 0; j < cols; ++j) elem(ref, j * rows + i + 1) = by_row[i * cols + j];
    }
    void hilbert(const std::string& name, int n) {
        std::vector<Real> h;
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) h.push_back(Real(1) / Real(i + j - 1));
        put(name, n, n, h);
    }
    Stored get(const std::string& name) {
        Stored s;
        const int ref = VFIND(run, name);
        EXPECT_GT(ref, 0) << name;
        if (ref <= 0) return s;
        VarInfo info;
        VINFO(run, ref, info);
        s.type = info.type;
        s.cols = info.ncol;
        s.rows = info.length / info.ncol;
        for (long long k = 1; k <= info.length; ++k) s.v.push_back(element(run, info, k));
        return s;
    }
    Real scalar(const std::string& name) {
        const Stored s = get(name);
        EXPECT_EQ(s.v.size(), 1u) << name;
        return s.v.empty() ? Real(0) : s.v[0];
    }
};

Real max_abs(const std::vector<Real>& v) {
    Real m = 0;
    for (Real x : v) m = std::max(m, qm::abs(x));
    return m;
}

// Product of two stored matrices, in plain loops independent of the engine's code.
Stored times(const Stored& a, const Stored& b) {
    Stored r;
    r.rows = a.rows;
    r.cols = b.cols;
    r.v.assign(static_cast<std::size_t>(r.rows * r.cols), 0);
    for (long long i = 1; i <= a.rows; ++i)
        for (long long j = 1; j <= b.cols; ++j) {
            Real s = 0;
            for (long long k = 1; k <= a.cols; ++k) s += a(i, k) * b(k, j);
            r.v[(j - 1) * r.rows + (i - 1)] = s;
        }
    return r;
}

Stored transposed(const Stored& a) {
    Stored r;
    r.rows = a.cols;
    r.cols = a.rows;
    for (long long j = 1; j <= r.cols; ++j)
        for (long long i = 1; i <= r.rows; ++i) r.v.push_back(a(j, i));
    // v was filled row by row of a, i.e. column by column of r
    return r;
}

Real max_difference(const Stored& a, const Stored& b) {
    Real m = 0;
    for (std::size_t k = 0; k < a.v.size(); ++k) m = std::max(m, qm::abs(a.v[k] - b.v[k]));
    return m;
}

Stored identity(long long n) {
    Stored r;
    r.rows = r.cols = n;
    r.v.assign(static_cast<std::size_t>(n * n), 0);
    for (long long i = 0; i < n; ++i) r.v[i * n + i] = 1;
    return r;
}

Real norm1(const Stored& a) {
    Real best = 0;
    for (long long j = 1; j <= a.cols; ++j) {
        Real s = 0;
        for (long long i = 1; i <= a.rows; ++i) s += qm::abs(a(i, j));
        best = std::max(best, s);
    }
    return best;
}

// det(H_n) = prod_{k=1}^{n-1} (k!)^4 / ((2k)! (2k+1)!), the classical closed form.
Real hilbert_determinant(int n) {
    auto factorial = [](int m) {
        Real f = 1;
        for (int i = 2; i <= m; ++i) f *= i;
        return f;
    };
    Real det = 1;
    for (int k = 1; k < n; ++k) {
        const Real fk = factorial(k);
        det *= (fk * fk * fk * fk) / (factorial(2 * k) * factorial(2 * k + 1));
    }
    return det;
}

// ---- values beyond the shapes golden ------------------------------------------------------

TEST(MatrixCommand, ProductElementsAreRoundedOnceAfterCancellation) {
    // With x = 2^100, u = 2^-112, y = 1 + u and z = 1 + 2u, the four elements of A*B are known
    // exactly: x*x + 3 - x*x = 3; x*y - 1 = 2^100 - 1 + 2^-12; y*x + 3z rounds to
    // 2^100 + 3 + 2^-12 (3*2^-111 is below half an ulp of 2^100); y*y - z = 2^-224.
    // Summed term by term, the first and the last come out 0.
    MatrixEngine e;
    const Real x = scalbnq(1, 100), u = scalbnq(1, -112);
    const Real y = 1 + u, z = 1 + 2 * u;
    e.put("A", 2, 3, {x, 1, -x, y, z, 0});
    e.put("B", 3, 2, {x, y, 3, -1, x, 0});
    ASSERT_TRUE(e.matrix("C = A*B").empty());
    const Stored c = e.get("C");
    ASSERT_EQ(c.rows, 2);
    ASSERT_EQ(c.cols, 2);
    EXPECT_EQ(c(1, 1), 3);
    EXPECT_EQ(c(1, 2), x - 1 + scalbnq(1, -12));
    EXPECT_EQ(c(2, 1), x + 3 + scalbnq(1, -12));
    EXPECT_EQ(c(2, 2), scalbnq(1, -224));
    const Stored naive = times(e.get("A"), e.get("B"));
    EXPECT_EQ(naive(1, 1), 0);
    EXPECT_EQ(naive(2, 2), 0);
    // A 1 by 1 operand still scales every element; a non-finite element follows IEEE rules.
    e.matrix("D = 2*A");
    EXPECT_EQ(e.get("D")(1, 1), 2 * x);
    e.matrix("I = (1e4000 * 1e4000) | 1");
    e.put("V", 2, 1, {1, 2});
    e.matrix("P = I*V");
    EXPECT_TRUE(qm::isinf(e.scalar("P")));
}

// ---- accuracy ------------------------------------------------------------------------------

class Hilbert : public ::testing::TestWithParam<int> {};

TEST_P(Hilbert, InverseDeterminantCholeskyAndGeneralizedInverse) {
    const int n = GetParam();
    MatrixEngine e;
    e.hilbert("H", n);
    ASSERT_TRUE(e.matrix("HI = INV(H)").empty());
    ASSERT_TRUE(e.matrix("D = DET(H)").empty());
    ASSERT_TRUE(e.matrix("L = CHOL(H)").empty());
    ASSERT_TRUE(e.matrix("G = SVD(H)").empty());
    ASSERT_TRUE(e.matrix("R = RANK(H)").empty());
    const Stored h = e.get("H"), hi = e.get("HI"), l = e.get("L"), g = e.get("G");
    const Real cond = norm1(h) * norm1(hi);
    EXPECT_GT(cond, 1e10Q);
    // A inv(A) = I to 30 digits relative to the condition number.
    EXPECT_LT(max_difference(times(h, hi), identity(n)), cond * 1e-30Q);
    // The determinant against the closed form.
    const Real exact = hilbert_determinant(n);
    EXPECT_LT(qm::abs(e.scalar("D") - exact) / exact, cond * 1e-30Q);
    // L L' = A with L lower triangular.
    EXPECT_EQ(l.type, TYPE_TRIANGLE);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) EXPECT_EQ(l(i, j), 0);
    EXPECT_LT(max_difference(times(l, transposed(l)), h), 1e-30Q);
    // The generalized inverse of a regular matrix satisfies A G A = A.
    EXPECT_LT(max_difference(times(times(h, g), h), h), cond * 1e-30Q);
    EXPECT_EQ(e.scalar("R"), n);
}

TEST_P(Hilbert, EigenvaluesAndEigenvectors) {
    const int n = GetParam();
    MatrixEngine e;
    e.hilbert("H", n);
    ASSERT_TRUE(e.matrix("L = EIGVAL(H)").empty());
    ASSERT_TRUE(e.matrix("V = EIGVEC(H)").empty());
    ASSERT_TRUE(e.matrix("T = TRACE(H)").empty());
    const Stored h = e.get("H"), lambda = e.get("L"), v = e.get("V");
    ASSERT_EQ(lambda.rows, n);
    Real sum = 0;
    for (int k = 1; k <= n; ++k) {
        if (k > 1) {
            EXPECT_LE(lambda(k, 1), lambda(k - 1, 1)); // largest first
        }
        sum += lambda(k, 1);
        // A v = lambda v, and v has unit length.
        Real residual = 0, length = 0;
        for (int i = 1; i <= n; ++i) {
            Real av = 0;
            for (int j = 1; j <= n; ++j) av += h(i, j) * v(j, k);
            residual = std::max(residual, qm::abs(av - lambda(k, 1) * v(i, k)));
            length += v(i, k) * v(i, k);
        }
        EXPECT_LT(residual, 1e-30Q) << "eigenvalue " << k;
        EXPECT_LT(qm::abs(length - 1), 1e-30Q);
    }
    EXPECT_LT(qm::abs(sum - e.scalar("T")), 1e-30Q);
    // The product of the eigenvalues is the determinant.
    Real product = 1;
    for (int k = 1; k <= n; ++k) product *= lambda(k, 1);
    const Real exact = hilbert_determinant(n);
    EXPECT_LT(qm::abs(product - exact) / exact, 1e-12Q);
}

INSTANTIATE_TEST_SUITE_P(Orders8To12, Hilbert, ::testing::Values(8, 9, 10, 11, 12));

TEST(MatrixAlgebra, GeneralEigenvaluesRankDeficiencyAndFactor) {
    MatrixEngine e;
    // Companion matrix of (x-1)(x-2)(x-3): eigenvalues 3, 2, 1.
    e.put("C", 3, 3, {6, -11, 6, 1, 0, 0, 0, 1, 0});
    e.matrix("L = EIGVAL(C)");
    e.matrix("V = EIGVEC(C)");
    const Stored c = e.get("C"), l = e.get("L"), v = e.get("V");
    for (int k = 1; k <= 3; ++k) {
        EXPECT_LT(qm::abs(l(k, 1) - (4 - k)), 1e-30Q);
        for (int i = 1; i <= 3; ++i) {
            Real cv = 0;
            for (int j = 1; j <= 3; ++j) cv += c(i, j) * v(j, k);
            EXPECT_LT(qm::abs(cv - l(k, 1) * v(i, k)), 1e-30Q);
        }
    }
    // A 4 by 3 matrix of rank 2: the Penrose conditions hold for its generalized inverse.
    e.put("A", 4, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    e.matrix("R = RANK(A)");
    EXPECT_EQ(e.scalar("R"), 2);
    e.matrix("G = SVD(A)");
    const Stored a = e.get("A"), g = e.get("G");
    EXPECT_EQ(g.rows, 3);
    EXPECT_EQ(g.cols, 4);
    EXPECT_LT(max_difference(times(times(a, g), a), a), 1e-28Q);
    EXPECT_LT(max_difference(times(times(g, a), g), g), 1e-28Q);
    const Stored ag = times(a, g), ga = times(g, a);
    EXPECT_LT(max_difference(ag, transposed(ag)), 1e-28Q);
    EXPECT_LT(max_difference(ga, transposed(ga)), 1e-28Q);
    // FACT of a singular non-negative definite matrix: F F' = A.
    e.matrix("S = A'*A");
    e.matrix("F = FACT(S)");
    const Stored s = e.get("S"), f = e.get("F");
    EXPECT_LT(max_difference(times(f, transposed(f)), s) / max_abs(s.v), 1e-30Q);
    EXPECT_EQ(e.matrix("F = FACT(0-S)"),
              (Lines{" ...ERROR..FACT NEEDS A NON-NEGATIVE DEFINITE MATRIX"}));
}

} // namespace
} // namespace tarvex
