// The double-precision derivative generator over blocks of rows, against the row-at-a-time
// evaluator (the same bits for every value, derivative and second derivative, on equations that
// use every rule the block form has) and against derivatives worked out by hand; the equations
// it does not take; a failing row failing its block; and NLINEAR's double start by blocks and
// by rows giving the same report.
#include "test_support.hpp"

#include "expr/double_block_derivative.hpp"
#include "expr/double_derivative.hpp"
#include "regress/nonlin/equation_model.hpp"
#include "regress/nonlin/model_block.hpp"
#include "regress/nonlin/nls_double_start.hpp"
#include "regress/nonlin/nonlin_estimate.hpp"

#include <climits>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

constexpr int ROWS = 700; // two full blocks and a part one

// x1 in (0, 1), x2 in (-0.5, 0.5), from fixed sequences.
const char* const BLOCK_DATA = "sample 1 700\n"
                               "genr t = time(0)\n"
                               "genr x1 = (mod(t*7919, 1000) + 1)/1002\n"
                               "genr x2 = mod(t*104729, 997)/997 - 0.5\n"
                               "genr y = x1\n";

// The equation compiled over the 700 rows, with four parameters at `start`.
struct BlockModel {
    ScriptRun data{BLOCK_DATA};
    EquationModel model;
    bool ok = false;
    BlockModel(const std::string& equation, std::vector<Real> start) {
        ModelBlock block;
        block.names = {"A", "B", "C", "D"};
        block.start = std::move(start);
        block.equations = {equation};
        ok = compile_equation(*data.run, block, true, model) &&
             bind_observations(*data.run, model, 1, ROWS);
    }
    double datum(int ref, int row) const {
        for (const EquationModel::Series& s : model.series)
            if (s.ref == ref)
                return static_cast<double>(s.constant ? s.value : s.first[(row + 1) * s.inc]);
        ADD_FAILURE() << "no series " << ref;
        return 0;
    }
    int parameter(int ref) const {
        const int base = model.parameter_base, k = model.k();
        return ref >= base && ref < base + k ? ref - base : -1;
    }
};

// Both evaluators over every row at b, second order: values, gradients and Hessians compared
// bit for bit (an entry the block form leaves null must be zero by rows). Returns the number of
// rows the row evaluator could evaluate, -1 when the two disagree on which rows fail.
int compare_block_and_rows(const BlockModel& m, const std::vector<double>& b) {
    const int k = m.model.k();
    std::size_t first = 0;
    expr::DoubleBlockBinding blocks;
    blocks.parameter = [&m](int ref) { return m.parameter(ref); };
    blocks.data = [&](int ref, std::size_t count, double* out) {
        for (std::size_t i = 0; i < count; ++i) out[i] = m.datum(ref, int(first + i));
        return true;
    };
    expr::DoubleBlockEvaluator block(m.model.program, blocks, k, true);
    int row = 0;
    expr::DoubleBinding rows;
    rows.parameter = [&m](int ref, int lag) { return lag == 0 ? m.parameter(ref) : -1; };
    rows.datum = [&](int ref, int, double& v) {
        v = m.datum(ref, row);
        return true;
    };
    expr::DoubleDerivativeEvaluator single(m.model.program, rows, k, true);
    auto same = [](double p, double q) { return std::memcmp(&p, &q, sizeof p) == 0 || p == q; };
    int evaluated = 0;
    const std::size_t most = expr::DoubleBlockEvaluator::BLOCK;
    for (first = 0; first < std::size_t(ROWS); first += most) {
        const std::size_t count = std::min(most, std::size_t(ROWS) - first);
        const bool block_ok = block.evaluate(b.data(), count);
        bool rows_ok = true;
        for (std::size_t i = 0; i < count; ++i) {
            row = int(first + i);
            const expr::DoubleDerivative& d = single.evaluate(b.data());
            rows_ok = rows_ok && d.ok;
            if (!d.ok || !block_ok) continue;
            ++evaluated;
            EXPECT_TRUE(same(block.value()[i], d.value)) << "row " << row;
            for (int a = 0; a < k; ++a) {
                const double* g = block.gradient(a);
                EXPECT_TRUE(same(g ? g[i] : 0.0, d.gradient[a])) << "row " << row << " d/d" << a;
                for (int c = a; c < k; ++c) {
                    const double* h = block.hessian(a, c);
                    EXPECT_TRUE(same(h ? h[i] : 0.0, d.hessian[a * k + c]))
                        << "row " << row << " d2/d" << a << "d" << c;
                }
            }
        }
        if (block_ok != rows_ok) return -1;
    }
    return evaluated;
}

TEST(DoubleBlockDerivative, SameBitsAsRowByRow) {
    const std::vector<std::string> equations = {
        "y = a + b*exp(c*x1 + d*x2)",
        "y = a*x1**b/(1 + c*log(x1 + 2)) - sqrt(x1 + d*d + 1) + log10(a*x1 + 3)",
        "y = atan(a*x1) + tanh(b*x2) + cos(c*x1) + sin(d*x2) + ncdf(a*x2) + abs(b - x1)",
        "y = (x1 .gt. 0.5)*a + int(x1*3)*b + c**x1 + (x2 .le. 0)*d*d - (-a) + dum(x2)*b*c",
        "y = a*b*c*d + x1**2*a/b + (x1 .ne. x2)*c + (x1 .and. x2)*d + (.not. x2)*a +"
        " (x1 .eq. x1)*b + (x2 .lt. x1)*c + (x1 .ge. 0.3)*d + (x2 .or. 0)*a",
    };
    for (const std::string& eq : equations) {
        BlockModel m(eq, {0.7Q, 1.3Q, 0.4Q, -0.9Q});
        ASSERT_TRUE(m.ok) << eq;
        ASSERT_TRUE(expr::DoubleBlockEvaluator::supported(m.model.program, 4)) << eq;
        EXPECT_EQ(compare_block_and_rows(m, {0.7, 1.3, 0.4, -0.9}), ROWS) << eq;
    }
}

// y = a + b exp(c x1 + d x2): with e = exp(c x1 + d x2) the gradient is (1, e, b x1 e, b x2 e)
// and the Hessian's nonzero entries are (b,c) = x1 e, (b,d) = x2 e, (c,c) = b x1^2 e,
// (c,d) = b x1 x2 e, (d,d) = b x2^2 e; the entries in a are zero by the form.
TEST(DoubleBlockDerivative, DerivativesWorkedByHand) {
    BlockModel m("y = a + b*exp(c*x1 + d*x2)", {1, 2, 0.5Q, -0.25Q});
    ASSERT_TRUE(m.ok);
    const double a = 1, b = 2, c = 0.5, d = -0.25;
    std::size_t first = 0;
    expr::DoubleBlockBinding binding;
    binding.parameter = [&m](int ref) { return m.parameter(ref); };
    binding.data = [&](int ref, std::size_t count, double* out) {
        for (std::size_t i = 0; i < count; ++i) out[i] = m.datum(ref, int(first + i));
        return true;
    };
    expr::DoubleBlockEvaluator block(m.model.program, binding, 4, true);
    const std::vector<double> at = {a, b, c, d};
    ASSERT_TRUE(block.evaluate(at.data(), 256));
    for (int a2 = 0; a2 < 4; ++a2) EXPECT_EQ(block.hessian(0, a2), nullptr);
    ASSERT_NE(block.hessian(2, 3), nullptr);
    for (int i = 0; i < 256; ++i) {
        const long long t = i + 1;
        // The data as GENR makes them, in binary128, then in double.
        const double x1 = static_cast<double>(Real((t * 7919) % 1000 + 1) / 1002);
        const double x2 = static_cast<double>(Real((t * 104729) % 997) / 997 - 0.5Q);
        const double e = std::exp(c * x1 + d * x2);
        const double want_g[4] = {1, e, b * x1 * e, b * x2 * e};
        EXPECT_NEAR(block.value()[i], a + b * e, 1e-15 * (a + b * e));
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(block.gradient(j)[i], want_g[j], 1e-15 * std::fabs(want_g[j]) + 1e-300);
        const double want_h[4][4] = {{0, 0, 0, 0},
                                     {0, 0, x1 * e, x2 * e},
                                     {0, 0, b * x1 * x1 * e, b * x1 * x2 * e},
                                     {0, 0, 0, b * x2 * x2 * e}};
        for (int p = 1; p < 4; ++p)
            for (int q = std::max(p, 2); q < 4; ++q)
                EXPECT_NEAR(block.hessian(p, q)[i], want_h[p][q], 1e-14 * std::fabs(want_h[p][q]));
    }
    EXPECT_EQ(block.hessian(1, 1), nullptr); // linear in b
}

// A log of a negative value at one row fails its block as it fails that row; lags, running
// sums and more than eight parameters are left to the row-at-a-time evaluator.
TEST(DoubleBlockDerivative, FailuresAndStatementsLeftToRows) {
    BlockModel m("y = a + log(x2 + b)", {1, 0.45Q, 0, 0});
    // d and c unused: the compile requires every parameter used.
    EXPECT_FALSE(m.ok);
    BlockModel used("y = a + log(x2 + b) + c*d", {1, 0.45Q, 1, 1});
    ASSERT_TRUE(used.ok);
    // x2 + 0.45 < 0 where x2 < -0.45: some rows of every block.
    EXPECT_EQ(compare_block_and_rows(used, {1, 0.45, 1, 1}), 0);
    // At b = 0.6 every row is defined.
    EXPECT_EQ(compare_block_and_rows(used, {1, 0.6, 1, 1}), ROWS);

    BlockModel lagged("y = a + b*lag(x1) + c*x2 + d", {1, 1, 1, 1});
    ASSERT_TRUE(lagged.ok);
    EXPECT_FALSE(expr::DoubleBlockEvaluator::supported(lagged.model.program, 4));
    BlockModel plain("y = a + b*x1 + c*x2 + d", {1, 1, 1, 1});
    ASSERT_TRUE(plain.ok);
    EXPECT_TRUE(expr::DoubleBlockEvaluator::supported(plain.model.program, 8));
    EXPECT_FALSE(expr::DoubleBlockEvaluator::supported(plain.model.program, 9));
}

struct RowsOnly {
    RowsOnly() { set_nls_double_blocks(false); }
    ~RowsOnly() { set_nls_double_blocks(true); }
};

// NLINEAR on 100,500 rows (past the 100,000 from which the double start is taken): the double
// iterations by blocks and by rows give the same sums to the bit, hence the same report.
TEST(DoubleBlockDerivative, NlinearDoubleStartSameByBlocksAndByRows) {
    const std::string script = "sample 1 100500\n"
                               "genr t = time(0)\n"
                               "genr x1 = mod(t*7919, 1000)/1000\n"
                               "genr x2 = mod(t*104729, 997)/997 - 0.5\n"
                               "genr e = mod(t*15485863, 1009)/1009 - 0.5\n"
                               "genr y = 2 + 3*exp(0.5*x1 - 0.8*x2) + e\n"
                               "nlinear / coef=nb\n"
                               "coef a 1 b 1 c 0.1 d -0.1\n"
                               "eq y = a + b*exp(c*x1 + d*x2)\n"
                               "end\nstop\n";
    ScriptRun blocks(script);
    std::unique_ptr<ScriptRun> rows;
    {
        RowsOnly only;
        rows = std::make_unique<ScriptRun>(script);
    }
    EXPECT_NE(blocks.output.find("ITERATIONS IN DOUBLE PRECISION"), std::string::npos)
        << blocks.output;
    EXPECT_EQ(blocks.output, rows->output);
    EXPECT_EQ(blocks.run->last_estimation.coef, rows->run->last_estimation.coef);
    EXPECT_EQ(blocks.run->last_estimation.cov, rows->run->last_estimation.cov);
}

} // namespace
} // namespace tarvex::testing
