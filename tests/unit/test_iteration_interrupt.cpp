// Stopping the iterative kernels: the interrupt check a caller hands them is asked before every
// iteration, and what it throws leaves the kernel at once, with no further evaluation of the
// model; a choice model's pass over the rows stops between chunks and joins its second thread
// before the exception leaves.
#include "kernels/maximize_likelihood.hpp"
#include "kernels/nonlinear_least_squares.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/choice_row_sums.hpp"

#include <gtest/gtest.h>

#include <atomic>

namespace tarvex {
namespace {

struct StopAsked {};

// A check that throws on its `stop_at`-th call (never when 0) and counts its calls.
struct CountingCheck {
    int stop_at = 0;
    int calls = 0;
    InterruptCheck callable() {
        return [this] {
            if (++calls == stop_at) throw StopAsked{};
        };
    }
};

// log L = -exp(-b): rising for ever, so Newton's method (a step of 1 each time) never converges.
LikelihoodEvaluate endless_likelihood(int& evaluations) {
    return [&evaluations](const std::vector<Real>& b, const LikelihoodNeeds& needs,
                          LikelihoodPoint& point, int&) {
        ++evaluations;
        const Real e = qm::exp(-b[0]);
        point.llf = -e;
        point.gradient = {e};
        if (needs.hessian) point.hessian = {-e};
        if (needs.opg) point.opg = {e * e};
        return true;
    };
}

TEST(IterationInterrupt, MaximumLikelihoodAsksBeforeEveryIterationAndStopsAtOnce) {
    int evaluations = 0;
    const LikelihoodEvaluate evaluate = endless_likelihood(evaluations);
    // Without a stop the problem runs into its iteration limit, asking once an iteration.
    CountingCheck quiet;
    MaximizeControl control;
    control.max_iterations = 30;
    control.interrupt = quiet.callable();
    EXPECT_EQ(maximize_likelihood({Real(0)}, evaluate, control, true).status,
              MaximizeStatus::ITERATION_LIMIT);
    EXPECT_GE(quiet.calls, 30);

    // A stop asked for at the fifth check: the exception leaves, and nothing is evaluated after.
    control.max_iterations = 1000000;
    evaluations = 0;
    int calls = 0, evaluations_at_stop = -1;
    control.interrupt = [&] {
        if (++calls == 5) {
            evaluations_at_stop = evaluations;
            throw StopAsked{};
        }
    };
    EXPECT_THROW(maximize_likelihood({Real(0)}, evaluate, control, true), StopAsked);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(evaluations, evaluations_at_stop);
    EXPECT_LT(evaluations, 20);
}

TEST(IterationInterrupt, NonlinearLeastSquaresAsksBeforeTheFirstIteration) {
    // y = 1 fitted by 1 - exp(-b): the residual exp(-b) falls for ever as b grows.
    int evaluations = 0;
    const NlsEvaluate evaluate = [&](const std::vector<Real>& b, Real* residuals, Real* jacobian,
                                     int&) {
        ++evaluations;
        for (int i = 0; i < 4; ++i) {
            residuals[i] = qm::exp(-b[0]);
            if (jacobian != nullptr) jacobian[i] = qm::exp(-b[0]);
        }
        return true;
    };
    NlsControl control;
    control.max_iterations = 1000000;
    CountingCheck first{1};
    control.interrupt = first.callable();
    EXPECT_THROW(nonlinear_least_squares(4, {Real(0)}, evaluate, control), StopAsked);
    EXPECT_EQ(evaluations, 1); // the starting values only

    CountingCheck later{12};
    control.interrupt = later.callable();
    evaluations = 0;
    EXPECT_THROW(nonlinear_least_squares(4, {Real(0)}, evaluate, control), StopAsked);
    EXPECT_EQ(later.calls, 12);
    EXPECT_GT(evaluations, 1);
}

TEST(IterationInterrupt, NewtonFinishAsksBeforeEveryStep) {
    // y = 2 at four rows fitted by b: residual 2 - b, Jacobian 1, half Hessian of the SSE 4.
    int evaluations = 0;
    const NlsEvaluate evaluate = [&](const std::vector<Real>& b, Real* residuals, Real* jacobian,
                                     int&) {
        ++evaluations;
        for (int i = 0; i < 4; ++i) {
            residuals[i] = 2 - b[0];
            if (jacobian != nullptr) jacobian[i] = 1;
        }
        return true;
    };
    NlsControl control;
    // Uninterrupted: one Newton step lands on 2 exactly, the next is zero and ends the fit.
    CountingCheck quiet;
    control.interrupt = quiet.callable();
    const NlsResult done = newton_finish(4, {Real(0)}, {Real(4)}, evaluate, control, 4);
    EXPECT_EQ(done.status, NlsStatus::CONVERGED);
    EXPECT_EQ(done.parameters[0], Real(2));
    EXPECT_EQ(quiet.calls, 2);
    // A stop asked for before the first step: only the start was evaluated.
    evaluations = 0;
    CountingCheck first{1};
    control.interrupt = first.callable();
    EXPECT_THROW(newton_finish(4, {Real(0)}, {Real(4)}, evaluate, control, 4), StopAsked);
    EXPECT_EQ(evaluations, 1);
}

TEST(IterationInterrupt, ChoiceRowPassStopsBetweenChunksAndJoinsItsThread) {
    const std::size_t n = 200000; // 64 chunks, shared by two threads
    std::atomic<std::size_t> rows_summed{0};
    auto rows = [&](std::size_t begin, std::size_t end, ChoiceRowSums& s) {
        for (std::size_t i = begin; i < end; ++i) s.llf -= Real(1);
        rows_summed += end - begin;
    };
    LikelihoodNeeds needs;
    LikelihoodPoint point;
    int failed = -1;
    // Uninterrupted, every row is summed.
    ASSERT_TRUE(sum_choice_rows(n, 1, needs, rows, point, failed, [] {}));
    EXPECT_EQ(point.llf, -Real(n));
    EXPECT_EQ(rows_summed.load(), n);

    rows_summed = 0;
    CountingCheck stop{3};
    EXPECT_THROW(sum_choice_rows(n, 1, needs, rows, point, failed, stop.callable()), StopAsked);
    EXPECT_EQ(stop.calls, 3);
    // The calling thread summed two chunks; the other thread at most its half.
    EXPECT_LT(rows_summed.load(), n / 2 + 2 * choice_chunk_rows(n) + 1);
}

} // namespace
} // namespace tarvex
