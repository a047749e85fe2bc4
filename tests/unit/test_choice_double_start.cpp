// PROBIT and LOGIT on a long sample, whose first Newton iterations are taken in double and the
// last ones in binary128, against the same estimate made in binary128 throughout: the
// estimates, their standard errors (plain, HETCOV and clustered), the log-likelihood and the
// fitted probabilities agree to binary128's last digits; the iterations in double are counted;
// a start far from the maximum reaches it by halved steps that each raise the log-likelihood; a
// sample beyond double's range falls back to binary128 throughout, bit for bit; and Ctrl-C stops
// the double iterations. TOBIT on a long sample (censored below, on both sides, weighted) the same.
// The same fits over row blocks (series bound to a file): a long sample whose first iterations
// are taken in double, and a shorter weighted one fitted from a subsample start, each served in
// several blocks (an edge inside every pass): the estimates, covariance, log-likelihood,
// iterations and every statistic of the report the same to the bit as the rows in memory; and
// the blocks not cut at whole chunks, a read that fails and the options refused. TOBIT over blocks
// the same: from a double start, from a subsample's fit (weighted, censored on both sides), from
// least squares over a short sample, and a fit stopped at its iteration limit; and the long
// sample whose subsample gives no start, which needs every row.
#include "regress/choice/binary_blocks.hpp"
#include "regress/choice/binary_choice.hpp"
#include "regress/choice/binary_double_start.hpp"
#include "regress/choice/binary_parts.hpp"
#include "regress/choice/binary_step_terms.hpp"
#include "regress/choice/double_row_sums.hpp"
#include "regress/choice/tobit_blocks.hpp"
#include "regress/choice/tobit_estimate.hpp"

#include "memory_rows.hpp"
#include "numeric/qmath.hpp"
#include "reference_support.hpp"

#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace tarvex::testing {
namespace {

// The seeded generator every sample here draws from: uniform in (0, 1), the same every run.
struct Uniform {
    std::uint64_t state;
    double operator()() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (double((state >> 11) + 1)) / double(1ULL << 53);
    }
};

// n rows of two regressors with 4 decimals (the first times `scale`) and the intercept; y from a
// logistic index; weights 1, 2, 3 in turn when asked.
ChoiceData choice_sample(std::size_t n, bool weighted, Real scale = 1) {
    Uniform uniform{20261208};
    ChoiceData d;
    d.x.assign(3, std::vector<Real>(n));
    d.y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double a = uniform() + uniform() + uniform() - 1.5, b = 2 * uniform() - 1;
        const double x1 = std::round(a * 1e4) / 1e4, x2 = std::round(b * 1e4) / 1e4;
        const double u = uniform();
        d.x[0][i] = Real(x1) * scale;
        d.x[1][i] = Real(x2);
        d.x[2][i] = 1;
        d.y[i] = 0.3 + 1.2 * x1 - 0.7 * x2 + std::log(u / (1 - u)) > 0 ? 1 : 0;
        d.observations.push_back(int(i) + 1);
        if (weighted) d.weight.push_back(Real(1 + int(i % 3)));
    }
    d.intercept = 2;
    d.names = {"X1", "X2", "CONSTANT"};
    d.dependent = "Y";
    return d;
}

// 60,000 rows: past the length where a long sample's start is searched for (the tests lower the
// length above which the double iterations are taken to it).
ChoiceData long_sample(bool weighted, Real scale = 1) {
    return choice_sample(60000, weighted, scale);
}

// |a - b| / |b|, shown to a few digits in the messages.
double relative(Real a, Real b) {
    return start_double(qm::abs(a - b) / (qm::abs(b) + 1e-300));
}

Real standard_error(const BinaryEstimate& e, int j) {
    return qm::sqrt(e.result.record.cov[std::size_t(j) * std::size_t(e.k) + std::size_t(j)]);
}

// The estimate with and without the double iterations: the same answers, to a unit or two in
// binary128's last place.
void expect_same_estimate(ChoiceLink link, const ChoiceData& data, ChoiceControl control,
                          const char* what) {
    control.double_start_above = SUBSAMPLE_ABOVE;
    control.double_start = true;
    const BinaryEstimate fast = estimate_binary(link, data, control);
    control.double_start = false;
    const BinaryEstimate slow = estimate_binary(link, data, control);
    ASSERT_EQ(fast.end, ChoiceEnd::CONVERGED) << what;
    ASSERT_EQ(slow.end, ChoiceEnd::CONVERGED) << what;
    // The double iterations were taken and are counted; the report of the other names its
    // subsample start.
    EXPECT_GT(fast.double_iterations, 1) << what;
    EXPECT_GT(fast.iterations, fast.double_iterations) << what;
    EXPECT_EQ(fast.history.size(), std::size_t(fast.iterations)) << what;
    EXPECT_EQ(fast.subsample_n, 0) << what;
    EXPECT_EQ(slow.double_iterations, 0) << what;
    EXPECT_GT(slow.subsample_n, 0) << what;
    const EstimationResults &f = fast.result.record, &s = slow.result.record;
    EXPECT_LT(relative(f.llf, s.llf), 1e-33) << what;
    for (int j = 0; j < fast.k; ++j) {
        EXPECT_LT(relative(f.coef[j], s.coef[j]), 1e-33) << what << " coef " << j;
        // The covariance comes from a Hessian formed within 1e-12 of the end (of either path),
        // which is kept from there on: its digits beyond that agree to rounding of that order.
        EXPECT_LT(relative(standard_error(fast, j), standard_error(slow, j)), 1e-14)
            << what << " se " << j;
        if (j == data.intercept) continue; // no marginal effect
        EXPECT_LT(relative(fast.average.effect[j], slow.average.effect[j]), 2e-33)
            << what << " effect " << j;
    }
    for (std::size_t i : {std::size_t(0), std::size_t(12345), std::size_t(59999)})
        EXPECT_LT(relative(f.predicted[i], s.predicted[i]), 2e-33) << what << " p " << i;
    EXPECT_EQ(fast.table[0][0], slow.table[0][0]) << what;
    EXPECT_EQ(fast.table[1][1], slow.table[1][1]) << what;
}

TEST(ChoiceDoubleStart, SameEstimatesAsBinary128Throughout) {
    const ChoiceData plain = long_sample(false), weighted = long_sample(true);
    ChoiceControl control;
    expect_same_estimate(ChoiceLink::PROBIT, plain, control, "probit");
    expect_same_estimate(ChoiceLink::LOGIT, plain, control, "logit");
    expect_same_estimate(ChoiceLink::PROBIT, weighted, control, "weighted probit");
    expect_same_estimate(ChoiceLink::LOGIT, weighted, control, "weighted logit");
    ChoiceControl hetcov;
    hetcov.sandwich = true;
    expect_same_estimate(ChoiceLink::PROBIT, plain, hetcov, "hetcov probit");
    ChoiceControl clustered;
    clustered.covariance.cluster = "G";
    clustered.clusters.groups = 40;
    for (std::size_t i = 0; i < plain.y.size(); ++i)
        clustered.clusters.group.push_back(int(i * 40 / plain.y.size()));
    expect_same_estimate(ChoiceLink::LOGIT, plain, clustered, "clustered logit");
}

// The terms that carry a pass at b along a step d: the pass at b + d less the quadratic model at
// b (its gradient and the Hessian -sum w_i x_i x_i') leaves the terms of third order and above;
// with the indexes moved by a few 1e-6 the third-order terms stand far above the passes'
// rounding and the fourth-order ones a millionth below them, so a sign, a factor or a weight
// missing from them shows. A row moving farther than the reach marks the terms not defined.
TEST(ChoiceStepTerms, CarryThePassAlongAStepToThirdOrder) {
    for (const bool weighted : {false, true}) {
        const ChoiceData data = choice_sample(20000, weighted);
        const BinaryRows rows = binary_rows_of(data);
        const std::vector<Real> b = {1.1Q, -0.6Q, 0.25Q}, d = {1e-6Q, -8e-7Q, 5e-7Q};
        std::vector<Real> end(3);
        for (std::size_t j = 0; j < 3; ++j) end[j] = b[j] + d[j];
        for (const ChoiceLink link : {ChoiceLink::PROBIT, ChoiceLink::LOGIT}) {
            const std::string what = std::string(link == ChoiceLink::PROBIT ? "probit" : "logit") +
                                     (weighted ? " weighted" : "");
            PassSums at_b, at_end, terms;
            at_b.reset(3), at_end.reset(3), terms.reset(3);
            std::vector<Real> root(rows.n);
            add_binary_pass(link, rows, b, at_b, root.data(), nullptr, 0);
            add_binary_pass(link, rows, end, at_end, nullptr, nullptr, 0);
            add_binary_step_terms(link, rows, b, d, 1e-4, terms, 0);
            ASSERT_TRUE(terms.defined) << what;
            std::vector<Real> hd(3, Real(0)); // H d
            for (std::size_t i = 0; i < rows.n; ++i) {
                Real moved = 0;
                for (std::size_t j = 0; j < 3; ++j) moved += rows.x[j][i] * d[j];
                for (std::size_t j = 0; j < 3; ++j)
                    hd[j] -= root[i] * root[i] * moved * rows.x[j][i];
            }
            Real model = at_b.llf, largest = 0;
            for (std::size_t j = 0; j < 3; ++j) {
                model += d[j] * (at_b.gradient[j] + hd[j] / 2);
                if (qm::abs(terms.gradient[j]) > largest) largest = qm::abs(terms.gradient[j]);
            }
            EXPECT_GT(qm::abs(terms.llf), 1e-17Q) << what;
            EXPECT_LT(relative(at_end.llf - model, terms.llf), 1e-4) << what;
            for (std::size_t j = 0; j < 3; ++j) {
                const Real left = at_end.gradient[j] - at_b.gradient[j] - hd[j];
                EXPECT_LT(start_double(qm::abs(left - terms.gradient[j]) / largest), 1e-4)
                    << what << " gradient " << j;
            }
            PassSums beyond;
            beyond.reset(3);
            add_binary_step_terms(link, rows, b, d, 1e-9, beyond, 100);
            EXPECT_FALSE(beyond.defined) << what;
            EXPECT_GE(beyond.failed_row, 100) << what;
        }
    }
}

TEST(ChoiceDoubleStart, BeyondDoubleRangeFallsBackBitForBit) {
    // x1 times 1e200: x1^2 overflows double, so no double start is found, and the estimate is
    // the one made in binary128 throughout.
    const ChoiceData data = long_sample(false, Real(1e200Q));
    ChoiceControl control;
    control.double_start_above = SUBSAMPLE_ABOVE;
    const BinaryEstimate fast = estimate_binary(ChoiceLink::PROBIT, data, control);
    control.double_start = false;
    const BinaryEstimate slow = estimate_binary(ChoiceLink::PROBIT, data, control);
    ASSERT_EQ(fast.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(fast.double_iterations, 0);
    EXPECT_EQ(fast.iterations, slow.iterations);
    EXPECT_EQ(fast.subsample_n, slow.subsample_n);
    EXPECT_TRUE(fast.result.record.llf == slow.result.record.llf);
    for (int j = 0; j < fast.k; ++j) {
        EXPECT_TRUE(fast.result.record.coef[j] == slow.result.record.coef[j]) << j;
        EXPECT_TRUE(standard_error(fast, j) == standard_error(slow, j)) << j;
    }
    // The slope is that of the unscaled regressor divided by 1e200.
    const BinaryEstimate unscaled = estimate_binary(ChoiceLink::PROBIT, long_sample(false), {});
    EXPECT_LT(relative(fast.result.record.coef[0] * Real(1e200Q), unscaled.result.record.coef[0]),
              1e-25);
}

ChoiceData tobit_sample(bool weighted);

TEST(ChoiceDoubleStart, InterruptStopsTheDoubleIterations) {
    struct Stopped : std::runtime_error {
        Stopped() : std::runtime_error("stopped") {}
    };
    const ChoiceData data = long_sample(false);
    ChoiceControl control;
    control.double_start_above = SUBSAMPLE_ABOVE;
    int asked = 0;
    control.interrupt = [&asked] {
        if (++asked == 2) throw Stopped();
    };
    EXPECT_THROW(estimate_binary(ChoiceLink::LOGIT, data, control), Stopped);
    EXPECT_EQ(asked, 2);
    // Asked directly, the double iterations stop at the first question.
    int direct = 0;
    const InterruptCheck stop_now = [&direct] {
        ++direct;
        throw Stopped();
    };
    EXPECT_THROW(
        binary_double_start(ChoiceLink::PROBIT, data, std::vector<Real>(3, Real(0)), 50, stop_now),
        Stopped);
    EXPECT_EQ(direct, 1);
    // TOBIT's double iterations the same.
    ChoiceControl tobit;
    asked = 0;
    tobit.interrupt = control.interrupt;
    EXPECT_THROW(estimate_tobit(tobit_sample(false), TobitCensoring{}, tobit), Stopped);
    EXPECT_EQ(asked, 2);
}

TEST(ChoiceDoubleStart, FarStartHalvesItsStepsAndReachesTheSameMaximum) {
    // From slopes of 6 and -6 (true values near 1.2 and -0.7) the first full Newton steps of the
    // logit overshoot and must be halved; every step taken still raises the log-likelihood, and
    // the iterations end where those from the intercept-only start end (the log-likelihood is
    // concave: one maximum).
    const ChoiceData data = long_sample(false);
    const DoubleStart near =
        binary_double_start(ChoiceLink::LOGIT, data, {Real(0), Real(0), Real(0.3Q)}, 50, nullptr);
    const DoubleStart far =
        binary_double_start(ChoiceLink::LOGIT, data, {Real(6), Real(-6), Real(0)}, 50, nullptr);
    ASSERT_TRUE(near.found);
    ASSERT_TRUE(far.found);
    EXPECT_GT(far.iterations, near.iterations);
    // (The last steps, too short for the sum over the rows to resolve their gain, are taken
    // without asking it: there the log-likelihood only stays level to double's rounding.)
    Real before = far.start_llf;
    for (std::size_t i = 0; i < far.history_llf.size(); ++i) {
        if (i < 3) {
            EXPECT_GT(far.history_llf[i], before) << "iteration " << i + 1;
        }
        EXPECT_GT(far.history_llf[i], before - 1e-10Q * qm::abs(before)) << "iteration " << i + 1;
        before = far.history_llf[i];
    }
    for (int j = 0; j < 3; ++j)
        EXPECT_LT(relative(far.theta[std::size_t(j)], near.theta[std::size_t(j)]), 1e-12) << j;
}

// 60,000 rows (past the length from which TOBIT takes its double start) of two regressors with 4
// decimals and the intercept; y* = 0.5 + x1 - 0.8 x2 + 1.5 e, e standard normal (Box-Muller).
ChoiceData tobit_sample(bool weighted) {
    ChoiceData d = long_sample(weighted);
    Uniform uniform{77};
    for (std::size_t i = 0; i < d.y.size(); ++i) {
        const double e =
            std::sqrt(-2 * std::log(uniform())) * std::cos(6.283185307179586 * uniform());
        const double y = 0.5 + start_double(d.x[0][i]) - 0.8 * start_double(d.x[1][i]) + 1.5 * e;
        d.y[i] = Real(std::round(y * 1e4) / 1e4);
    }
    return d;
}

// The TOBIT estimate with and without the double iterations: the same answers. Both paths stop
// once a step changes no parameter by more than the convergence rule (relative); the estimates
// then agree to about that (`digits`, 1e-32 under the rule 1e-33); the double start's last step
// brings its own fit to binary128's resolution. The log-likelihood of the
// intercept alone may be the quadratic model's value at the last step (within 1e-30 of it).
void expect_same_tobit(const ChoiceData& data, const TobitCensoring& c, ChoiceControl control,
                       double digits, const char* what) {
    const TobitEstimate fast = estimate_tobit(data, c, control);
    control.double_start = false;
    const TobitEstimate slow = estimate_tobit(data, c, control);
    ASSERT_EQ(fast.end, ChoiceEnd::CONVERGED) << what;
    ASSERT_EQ(slow.end, ChoiceEnd::CONVERGED) << what;
    EXPECT_GT(fast.double_iterations, 1) << what;
    EXPECT_GT(fast.iterations, fast.double_iterations) << what;
    EXPECT_EQ(fast.history.size(), std::size_t(fast.iterations)) << what;
    EXPECT_EQ(fast.subsample_n, 0) << what;
    EXPECT_EQ(slow.double_iterations, 0) << what;
    EXPECT_GT(slow.subsample_n, 0) << what;
    const EstimationResults &f = fast.result.record, &s = slow.result.record;
    EXPECT_LT(relative(f.llf, s.llf), 1e-33) << what;
    const int p = fast.k + 1; // b, then sigma
    for (int j = 0; j < p; ++j) {
        EXPECT_LT(relative(f.coef[j], s.coef[j]), digits) << what << " coef " << j;
        const Real fse = qm::sqrt(f.cov[std::size_t(j) * p + j]);
        const Real sse = qm::sqrt(s.cov[std::size_t(j) * p + j]);
        EXPECT_LT(relative(fse, sse), 1e-14) << what << " se " << j;
    }
    EXPECT_LT(relative(f.sigma, s.sigma), digits) << what;
    EXPECT_LT(relative(fast.constants.llf0, slow.constants.llf0), 1e-31) << what;
    EXPECT_LT(relative(fast.expected_at_means, slow.expected_at_means), 10 * digits) << what;
    for (std::size_t i : {std::size_t(0), std::size_t(12345), std::size_t(59999)})
        EXPECT_LT(relative(f.predicted[i], s.predicted[i]), 10 * digits) << what << " E[y|x] " << i;
}

TEST(ChoiceDoubleStart, TobitSameEstimatesAsBinary128Throughout) {
    const ChoiceData plain = tobit_sample(false), weighted = tobit_sample(true);
    const TobitCensoring at_zero;
    ChoiceControl tight;
    tight.parameter_tolerance = 1e-33Q;
    expect_same_tobit(plain, at_zero, tight, 1e-32, "tobit");
    expect_same_tobit(weighted, at_zero, tight, 1e-32, "weighted tobit");
    TobitCensoring both;
    both.lower = -1;
    both.above = true;
    both.upper = 2;
    expect_same_tobit(plain, both, tight, 1e-32, "two-limit tobit");
    ChoiceControl hetcov = tight;
    hetcov.sandwich = true;
    expect_same_tobit(plain, at_zero, hetcov, 1e-32, "hetcov tobit");
    expect_same_tobit(plain, at_zero, {}, 1e-28, "tobit under the usual rule");
    // Under the usual rule the double start's fit ends with one more Newton step: it lands where
    // the binary128 fit under the rule 1e-33 does.
    const TobitEstimate usual = estimate_tobit(plain, at_zero, {});
    ChoiceControl tight_slow = tight;
    tight_slow.double_start = false;
    const TobitEstimate exact = estimate_tobit(plain, at_zero, tight_slow);
    for (int j = 0; j <= usual.k; ++j)
        EXPECT_LT(relative(usual.result.record.coef[j], exact.result.record.coef[j]), 1e-32) << j;
    // The slopes are near the index's 1 and -0.8 and sigma near 1.5.
    const TobitEstimate e = estimate_tobit(plain, at_zero, {});
    EXPECT_NEAR(start_double(e.result.record.coef[0]), 1.0, 0.03);
    EXPECT_NEAR(start_double(e.result.record.coef[1]), -0.8, 0.03);
    EXPECT_NEAR(start_double(e.result.record.sigma), 1.5, 0.03);
}

TEST(ChoiceDoubleStart, StartDoubleKeepsSignExponentAndLeadingDigits) {
    EXPECT_EQ(start_double(Real(0)), 0.0);
    EXPECT_EQ(start_double(Real(1)), 1.0);
    EXPECT_EQ(start_double(Real(-0.375Q)), -0.375);
    EXPECT_NEAR(start_double(Real(1e300Q)) / 1e300, 1.0, 1e-15);
    EXPECT_NEAR(start_double(Real(-1e-300Q)) / -1e-300, 1.0, 1e-15);
    // Cut, not rounded: 1 + 2^-60 is 1, and 1 - 2^-60 the double just below 1.
    EXPECT_EQ(start_double(1 + 0x1p-60Q), 1.0);
    EXPECT_EQ(start_double(1 - 0x1p-60Q), 1 - 0x1p-53);
    EXPECT_TRUE(std::isinf(start_double(Real(1e400Q))));
    EXPECT_EQ(start_double(1e-400Q), 0.0);
    EXPECT_TRUE(std::isnan(start_double(Real(1e4000Q) * Real(1e4000Q) * 0)));
}

// The double iterations' gradient and Hessian sums, taken element by element over blocks of rows
// (on two threads for a long sample), are those of the row-by-row update to the bit, from columns
// and from rows laid out one after another, for any number of columns and rows and across calls
// that carry the sums; and exact where every product
// and sum is: rows (1, i, i^2) with a_i = 1, h_i = 2 give sum i^m in closed form.
TEST(ChoiceDoubleStart, RowSumsAreTheRowByRowUpdatesBits) {
    std::uint64_t state = 977;
    const auto uniform = [&state] { // in (-1, 1)
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return 2 * (double((state >> 11) + 1)) / double(1ULL << 53) - 1;
    };
    for (const std::size_t p : {std::size_t(1), std::size_t(3), std::size_t(5), std::size_t(11)}) {
        for (const std::size_t n : {std::size_t(7), std::size_t(1000), std::size_t(70001)}) {
            std::vector<std::vector<double>> x(p, std::vector<double>(n));
            std::vector<double> a(n), h(n);
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = 0; j < p; ++j) x[j][i] = uniform() * (1 + double(j));
                a[i] = uniform();
                h[i] = 0.25 * (1 + uniform());
            }
            DoublePoint by_row, by_element;
            by_row.reset(p);
            by_element.reset(p);
            by_row.gradient[0] = by_element.gradient[0] = 0.125; // sums carried in
            by_row.hessian[p * p - 1] = by_element.hessian[p * p - 1] = -3;
            std::vector<double> v(p);
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = 0; j < p; ++j) v[j] = x[j][i];
                by_row.add_row(a[i], h[i], v.data());
            }
            // In two calls, the second carrying the first's sums.
            const std::size_t cut = n / 3;
            std::vector<const double*> first, second;
            for (std::size_t j = 0; j < p; ++j) {
                first.push_back(x[j].data());
                second.push_back(x[j].data() + cut);
            }
            add_double_row_sums(first, cut, a.data(), h.data(), by_element.gradient,
                                by_element.hessian);
            add_double_row_sums(second, n - cut, a.data() + cut, h.data() + cut,
                                by_element.gradient, by_element.hessian);
            // The same rows one after another, padded to the row width, in the same two calls.
            const std::size_t width = double_row_width(p);
            std::vector<double> laid(n * width, 0.0);
            for (std::size_t i = 0; i < n; ++i)
                for (std::size_t j = 0; j < p; ++j) laid[i * width + j] = x[j][i];
            DoublePoint by_layout;
            by_layout.reset(p);
            by_layout.gradient[0] = 0.125;
            by_layout.hessian[p * p - 1] = -3;
            add_double_row_sums(laid.data(), p, cut, a.data(), h.data(), by_layout.gradient,
                                by_layout.hessian);
            add_double_row_sums(laid.data() + cut * width, p, n - cut, a.data() + cut,
                                h.data() + cut, by_layout.gradient, by_layout.hessian);
            ASSERT_TRUE(by_row.complete());
            ASSERT_TRUE(by_element.complete());
            ASSERT_TRUE(by_layout.complete());
            for (std::size_t j = 0; j < p; ++j) {
                EXPECT_EQ(by_element.gradient[j], by_row.gradient[j]) << p << " " << n << " " << j;
                EXPECT_EQ(by_layout.gradient[j], by_row.gradient[j]) << p << " " << n << " " << j;
            }
            for (std::size_t e = 0; e < p * p; ++e) {
                EXPECT_EQ(by_element.hessian[e], by_row.hessian[e]) << p << " " << n << " " << e;
                EXPECT_EQ(by_layout.hessian[e], by_row.hessian[e]) << p << " " << n << " " << e;
            }
        }
    }
    // Exact sums: n = 70000 rows (1, i, i^2), i = 1 .. n: every partial sum of i and of i^2 is an
    // integer below 2^53, exact in double; those of i^3 and i^4 are not, and keep about n times
    // double's rounding, relative.
    const std::size_t n = 70000;
    std::vector<double> ones(n, 1.0), is(n), squares(n), a(n, 1.0), h(n, 2.0);
    for (std::size_t i = 0; i < n; ++i) is[i] = double(i + 1), squares[i] = is[i] * is[i];
    std::vector<double> gradient(3, 0.0), hessian(9, 0.0);
    add_double_row_sums({ones.data(), is.data(), squares.data()}, n, a.data(), h.data(), gradient,
                        hessian);
    // sum i = n(n+1)/2, sum i^2 = n(n+1)(2n+1)/6, sum i^3 = (n(n+1)/2)^2,
    // sum i^4 = n(n+1)(2n+1)(3n^2+3n-1)/30 (Faulhaber), n = 70000, as Python's integers give them.
    const double s1 = 2450035000.0, s2 = 114335783345000.0, s3 = 6002671501225000000.0;
    const double s4 = 336152005114333333331000.0;
    EXPECT_EQ(gradient[0], double(n));
    EXPECT_EQ(gradient[1], s1);
    EXPECT_EQ(gradient[2], s2);
    EXPECT_EQ(hessian[0], -2.0 * n);
    EXPECT_EQ(hessian[1], -2 * s1);
    EXPECT_EQ(hessian[2], -2 * s2);
    EXPECT_EQ(hessian[4], -2 * s2);
    EXPECT_NEAR(hessian[5] / (-2 * s3), 1, 1e-11);
    EXPECT_NEAR(hessian[8] / (-2 * s4), 1, 1e-11);
    EXPECT_EQ(hessian[3], 0.0); // below the diagonal: left as it was
}

// The blocks' columns: y, the regressors but the intercept (which is not a column), and the
// weight when there is one; a read fails at row `fail_at` when it is given.
testing::MemoryRows rows_of(const ChoiceData& d, std::size_t block, long long fail_at = -1) {
    std::vector<std::vector<Real>> columns{d.y};
    for (std::size_t j = 0; j < d.x.size(); ++j)
        if (int(j) != d.intercept) columns.push_back(d.x[j]);
    if (d.weighted()) columns.push_back(d.weight);
    return testing::MemoryRows(std::move(columns), block, fail_at);
}

ChoiceBlockColumns columns_of(const ChoiceData& d) {
    ChoiceBlockColumns where;
    where.dependent = 0;
    for (std::size_t j = 0; j < d.x.size(); ++j)
        where.terms.push_back(int(j) == d.intercept ? -1 : int(j) + 1);
    if (d.weighted()) where.weight = int(d.x.size()) + (d.intercept >= 0 ? 0 : 1);
    return where;
}

// The $ results and the named statistics that are stored, to the bit; the rows are not kept.
void expect_same_stored(const ModelResult& e, const ModelResult& memory, const char* what) {
    const std::vector<ResultScalar>&ours = e.scalars, &theirs = memory.scalars;
    EXPECT_EQ(ours.size(), theirs.size()) << what;
    for (std::size_t j = 0; j < ours.size() && j < theirs.size(); ++j) {
        EXPECT_EQ(ours[j].id, theirs[j].id) << what;
        EXPECT_TRUE(bits_equal(ours[j].value, theirs[j].value)) << what << " $ result " << j;
    }
    const auto &named = e.record.statistics, &named_memory = memory.record.statistics;
    EXPECT_EQ(named.size(), named_memory.size()) << what;
    for (std::size_t j = 0; j < named.size() && j < named_memory.size(); ++j) {
        EXPECT_EQ(named[j].name, named_memory[j].name) << what;
        EXPECT_TRUE(bits_equal(named[j].value, named_memory[j].value)) << what << named[j].name;
        EXPECT_TRUE(bits_equal(named[j].pvalue, named_memory[j].pvalue)) << what << named[j].name;
    }
    EXPECT_TRUE(e.record.predicted.empty()) << what;
    EXPECT_TRUE(e.record.residuals.empty()) << what;
}

// The estimate over blocks of `block` rows is that of the rows in memory to the bit; returns the
// estimate in memory.
BinaryEstimate expect_same_as_memory(ChoiceLink link, const ChoiceData& d, std::size_t block,
                                     long long expected_blocks_at_least) {
    const BinaryEstimate memory = estimate_binary(link, d, ChoiceControl{});
    testing::MemoryRows rows = rows_of(d, block);
    const BinaryBlockEstimate blocks =
        estimate_binary_blocks(link, rows, columns_of(d), ChoiceControl{});
    EXPECT_TRUE(blocks.failure.empty()) << blocks.failure;
    if (!blocks.failure.empty()) return memory;
    const BinaryEstimate& e = blocks.estimate;
    EXPECT_EQ(memory.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(e.end, ChoiceEnd::CONVERGED);
    EXPECT_GE(rows.blocks_served, expected_blocks_at_least);
    EXPECT_EQ(e.iterations, memory.iterations);
    EXPECT_EQ(e.double_iterations, memory.double_iterations);
    EXPECT_EQ(e.subsample_n, memory.subsample_n);
    EXPECT_EQ(e.n, memory.n);
    EXPECT_EQ(e.ones, memory.ones);
    expect_all_bits(e.result.record.coef, memory.result.record.coef, "coefficient ");
    expect_all_bits(e.result.record.cov, memory.result.record.cov, "covariance ");
    EXPECT_TRUE(bits_equal(e.result.record.llf, memory.result.record.llf));
    EXPECT_TRUE(bits_equal(e.constants.lr, memory.constants.lr));
    EXPECT_TRUE(bits_equal(e.constants.llf0, memory.constants.llf0));
    EXPECT_TRUE(bits_equal(e.r2_cox_snell, memory.r2_cox_snell));
    EXPECT_TRUE(bits_equal(e.r2_nagelkerke, memory.r2_nagelkerke));
    EXPECT_TRUE(bits_equal(e.percent_correct, memory.percent_correct));
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) EXPECT_EQ(e.table[a][b], memory.table[a][b]);
    expect_all_bits(e.at_means.effect, memory.at_means.effect, "effect at means ");
    expect_all_bits(e.at_means.se, memory.at_means.se, "its error ");
    expect_all_bits(e.average.effect, memory.average.effect, "average effect ");
    expect_all_bits(e.average.se, memory.average.se, "its error ");
    expect_same_stored(e.result, memory.result, "");
    return memory;
}

TEST(ChoiceBlocks, SameBitsAsTheRowsInMemory) {
    // 150,000 rows: the first iterations in double over three blocks of the bound series' size.
    const BinaryEstimate long_one =
        expect_same_as_memory(ChoiceLink::LOGIT, choice_sample(150000, false), 65536, 3 * 8);
    EXPECT_GT(long_one.double_iterations, 0);
    // 70,000 weighted rows: a preliminary fit on a subsample, then binary128 over blocks of
    // five chunks, the last one short.
    const BinaryEstimate weighted = expect_same_as_memory(
        ChoiceLink::PROBIT, choice_sample(70000, true), 5 * PASS_CHUNK, 4 * 4);
    EXPECT_EQ(weighted.double_iterations, 0);
    EXPECT_GT(weighted.subsample_n, 0);
}

// PROBIT (20,000 rows) and TOBIT (60,000) over blocks: a block edge inside a chunk would change
// the order of the sums, so it is refused, not estimated; a read that fails in the middle of the
// rows ends the estimate with its line; the sandwich covariance and the methods other than
// Newton's need every row at once, and are refused before a block is read.
TEST(ChoiceBlocks, BlocksOffTheChunksFailedReadsAndOtherMethodsEndTheEstimate) {
    using Fit =
        std::function<std::string(testing::MemoryRows&, const ChoiceData&, const ChoiceControl&)>;
    const Fit probit = [](testing::MemoryRows& rows, const ChoiceData& d, const ChoiceControl& c) {
        return estimate_binary_blocks(ChoiceLink::PROBIT, rows, columns_of(d), c).failure;
    };
    const Fit tobit = [](testing::MemoryRows& rows, const ChoiceData& d, const ChoiceControl& c) {
        return estimate_tobit_blocks(rows, columns_of(d), TobitCensoring{}, c).failure;
    };
    const ChoiceData binary = choice_sample(20000, false), censored = tobit_sample(false);
    ChoiceControl sandwich;
    sandwich.sandwich = true;
    ChoiceControl bhhh;
    bhhh.method = MaximizeMethod::BHHH;
    for (const auto& [fit, d, fail_at] :
         {std::tuple{probit, binary, 9000}, std::tuple{tobit, censored, 30000}}) {
        testing::MemoryRows ragged = rows_of(d, 5000);
        EXPECT_EQ(fit(ragged, d, {}), " ...ERROR..BLOCKS OF ROWS NOT CUT AT WHOLE CHUNKS");
        testing::MemoryRows failing = rows_of(d, PASS_CHUNK, fail_at);
        EXPECT_EQ(fit(failing, d, {}), " ...ERROR..READING ROW " + std::to_string(fail_at));
        for (const ChoiceControl& c : {sandwich, bhhh}) {
            testing::MemoryRows unread = rows_of(d, PASS_CHUNK);
            EXPECT_EQ(
                fit(unread, d, c),
                " ...ERROR..OVER BLOCKS OF ROWS ONLY NEWTON'S METHOD AND -H^-1 ARE AVAILABLE");
            EXPECT_EQ(unread.blocks_served, 0);
        }
    }
}

// The TOBIT estimate over blocks of `block` rows is that of the rows in memory to the bit;
// returns the estimate in memory.
TobitEstimate expect_tobit_same_as_memory(const ChoiceData& d, const TobitCensoring& c,
                                          const ChoiceControl& control, std::size_t block,
                                          long long expected_blocks_at_least, const char* what) {
    const TobitEstimate memory = estimate_tobit(d, c, control);
    testing::MemoryRows rows = rows_of(d, block);
    const TobitBlockEstimate blocks = estimate_tobit_blocks(rows, columns_of(d), c, control);
    EXPECT_TRUE(blocks.failure.empty()) << what << blocks.failure;
    EXPECT_TRUE(blocks.needs_memory.empty()) << what << blocks.needs_memory;
    if (!blocks.failure.empty() || !blocks.needs_memory.empty()) return memory;
    const TobitEstimate& e = blocks.estimate;
    EXPECT_EQ(e.end, memory.end) << what;
    EXPECT_GE(rows.blocks_served, expected_blocks_at_least) << what;
    EXPECT_EQ(e.iterations, memory.iterations) << what;
    EXPECT_EQ(e.double_iterations, memory.double_iterations) << what;
    EXPECT_EQ(e.subsample_n, memory.subsample_n) << what;
    EXPECT_EQ(e.n, memory.n) << what;
    EXPECT_EQ(e.n_below, memory.n_below) << what;
    EXPECT_EQ(e.n_above, memory.n_above) << what;
    EXPECT_EQ(e.n_between, memory.n_between) << what;
    EXPECT_EQ(e.history.size(), memory.history.size()) << what;
    for (std::size_t it = 0; it < e.history.size() && it < memory.history.size(); ++it) {
        expect_all_bits(e.history[it], memory.history[it], "iterate ");
        EXPECT_TRUE(bits_equal(e.history_llf[it], memory.history_llf[it])) << what << it;
    }
    const EstimationResults &r = e.result.record, &m = memory.result.record;
    expect_all_bits(r.coef, m.coef, "coefficient ");
    expect_all_bits(r.cov, m.cov, "covariance ");
    EXPECT_TRUE(bits_equal(r.llf, m.llf)) << what;
    EXPECT_TRUE(bits_equal(r.sigma, m.sigma)) << what;
    EXPECT_EQ(e.has_llf0, memory.has_llf0) << what;
    EXPECT_TRUE(bits_equal(e.constants.llf0, memory.constants.llf0)) << what;
    EXPECT_TRUE(bits_equal(e.constants.lr, memory.constants.lr)) << what;
    EXPECT_TRUE(bits_equal(e.index_at_means, memory.index_at_means)) << what;
    EXPECT_TRUE(bits_equal(e.expected_at_means, memory.expected_at_means)) << what;
    EXPECT_TRUE(bits_equal(e.uncensored_at_means, memory.uncensored_at_means)) << what;
    expect_all_bits(e.observed.effect, memory.observed.effect, "effect on E[y|x] ");
    expect_all_bits(e.observed.se, memory.observed.se, "its error ");
    expect_same_stored(e.result, memory.result, what);
    return memory;
}

TEST(ChoiceBlocks, TobitSameBitsAsTheRowsInMemory) {
    const TobitCensoring at_zero;
    // 60,000 rows: the first iterations in double, over blocks of three chunks and of the bound
    // series' size (one block).
    const ChoiceData plain = tobit_sample(false);
    const TobitEstimate first =
        expect_tobit_same_as_memory(plain, at_zero, {}, 3 * PASS_CHUNK, 5 * 8, "double start");
    EXPECT_GT(first.double_iterations, 0);
    EXPECT_EQ(first.end, ChoiceEnd::CONVERGED);
    expect_tobit_same_as_memory(plain, at_zero, {}, 65536, 8, "one block");
    // Weighted and censored on both sides, without the double iterations: a preliminary fit on
    // a subsample, then binary128 over blocks of five chunks, the last one short.
    TobitCensoring both;
    both.lower = -1;
    both.above = true;
    both.upper = 2;
    ChoiceControl no_double;
    no_double.double_start = false;
    const TobitEstimate weighted = expect_tobit_same_as_memory(
        tobit_sample(true), both, no_double, 5 * PASS_CHUNK, 3 * 5, "weighted, both limits");
    EXPECT_GT(weighted.subsample_n, 0);
    EXPECT_GT(weighted.n_above, 0);
    // 20,000 rows: least squares over every row for the start (gathered once from the blocks).
    ChoiceData short_one = data_rows(plain, evenly_spaced_rows(60000, 20000));
    const TobitEstimate short_fit =
        expect_tobit_same_as_memory(short_one, at_zero, {}, PASS_CHUNK, 5, "short sample");
    EXPECT_EQ(short_fit.subsample_n, 0);
    EXPECT_EQ(short_fit.double_iterations, 0);
    // Stopped at the iteration limit: the last iterate, the same.
    ChoiceControl two;
    two.max_iterations = 2;
    two.double_start = false;
    const TobitEstimate stopped =
        expect_tobit_same_as_memory(short_one, at_zero, two, PASS_CHUNK, 5, "iteration limit");
    EXPECT_EQ(stopped.end, ChoiceEnd::ITERATION_LIMIT);
}

TEST(ChoiceBlocks, TobitRefusesWhatNeedsEveryRow) {
    const TobitCensoring at_zero;
    // A regressor that is 0 at every third row from the first, the rows of the evenly spaced
    // subsample: least squares on the subsample is singular, and the start needs every row.
    ChoiceData d = tobit_sample(false);
    for (std::size_t i = 0; i < d.y.size(); ++i) d.x[1][i] = i % 3 == 0 ? Real(0) : d.x[1][i];
    const TobitEstimate memory = estimate_tobit(d, at_zero, {});
    EXPECT_EQ(memory.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(memory.subsample_n, 0);
    testing::MemoryRows rows = rows_of(d, PASS_CHUNK);
    const TobitBlockEstimate refused = estimate_tobit_blocks(rows, columns_of(d), at_zero, {});
    EXPECT_EQ(refused.needs_memory, "A START NOT FOUND ON A SUBSAMPLE");
    EXPECT_TRUE(refused.failure.empty());
}

} // namespace
} // namespace tarvex::testing
