// Simulated annealing for objectives with several local maxima: random moves along one
// parameter at a time, each taken when it raises the objective and otherwise with probability
// exp(change / temperature). Every parameter's move range adapts so that about half its moves
// are taken; the temperature falls by a steady factor after a set of range adaptations, chosen
// from the budget of evaluations so that the last temperature is a fixed small share of the
// first (a smaller budget cools faster rather than stopping hot), and each temperature starts
// again from the best point met. The search ends when the budget of evaluations is spent; the
// best point is then the start for a local method. The moves come
// from the run's generator kind, seeded by the caller, so a seed gives the same search each time.
#pragma once

#include "kernels/interrupt_check.hpp"
#include "numeric/real.hpp"

#include <cstdint>
#include <functional>
#include <vector>

namespace tarvex {

// The objective to maximise at `b`; false where it cannot be evaluated (the move is refused).
using AnnealObjective = std::function<bool(const std::vector<Real>& b, Real& value)>;

struct AnnealControl {
    std::int64_t seed = 1;
    int evaluations = 10000; // the budget
    Real temperature = 0;    // the first temperature; 0: |objective at the start| + 1
    Real last_share = 1e-4Q; // the last temperature as a share of the first
    InterruptCheck interrupt;
};

struct AnnealResult {
    bool defined = false; // the objective could be evaluated at the start
    std::vector<Real> best;
    Real best_value = 0;
    Real start_value = 0;
    int evaluations = 0;
    int accepted = 0;
    int temperatures = 0; // the temperatures visited
    Real last_temperature = 0;
};

AnnealResult simulated_annealing(const std::vector<Real>& start, const AnnealObjective& objective,
                                 const AnnealControl& control);

} // namespace tarvex
