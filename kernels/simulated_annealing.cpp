// Simulated annealing with adaptive move ranges.
#include "kernels/simulated_annealing.hpp"

#include "numeric/qmath.hpp"
#include "numeric/random_numbers.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Sweeps over all parameters between two adaptations of the move ranges, and adaptations
// between two temperatures.
constexpr int SWEEPS_PER_ADAPTATION = 20;
constexpr int ADAPTATIONS_PER_TEMPERATURE = 5;
// The share of moves taken that the ranges aim at, and the band around it left alone.
const Real ACCEPT_HIGH = 0.6Q;
const Real ACCEPT_LOW = 0.4Q;

// A range widens when more than ACCEPT_HIGH of its moves are taken, narrows below ACCEPT_LOW.
Real adapted_range(Real range, Real share) {
    if (share > ACCEPT_HIGH) return range * (1 + 2 * (share - ACCEPT_HIGH) / ACCEPT_LOW);
    if (share < ACCEPT_LOW) return range / (1 + 2 * (ACCEPT_LOW - share) / ACCEPT_LOW);
    return range;
}

} // namespace

AnnealResult simulated_annealing(const std::vector<Real>& start, const AnnealObjective& objective,
                                 const AnnealControl& control) {
    AnnealResult out;
    const std::size_t k = start.size();
    out.best = start;
    Real value = 0;
    out.evaluations = 1;
    if (!objective(start, value)) return out;
    out.defined = true;
    out.best_value = out.start_value = value;
    expr::RandomGenerator random;
    random.seed(control.seed);
    Real temperature = control.temperature > 0 ? control.temperature : qm::abs(value) + 1;
    std::vector<Real> current = start, range(k), trial = start;
    for (std::size_t j = 0; j < k; ++j) range[j] = qm::abs(start[j]) + 1;
    // The temperatures the budget reaches (the last perhaps in part), and the factor that
    // brings the first to the last.
    const std::int64_t per_temperature = std::max<std::int64_t>(
        1, std::int64_t(k) * SWEEPS_PER_ADAPTATION * ADAPTATIONS_PER_TEMPERATURE);
    const std::int64_t temperatures = std::max<std::int64_t>(
        1, (std::int64_t(control.evaluations) - 1 + per_temperature - 1) / per_temperature);
    const Real cooling =
        temperatures > 1 ? qm::pow(control.last_share, Real(1) / Real(temperatures - 1)) : Real(1);
    std::vector<int> taken(k, 0);
    while (out.evaluations < control.evaluations) {
        ++out.temperatures;
        out.last_temperature = temperature;
        for (int a = 0; a < ADAPTATIONS_PER_TEMPERATURE; ++a) {
            check_for_interrupt(control.interrupt);
            std::fill(taken.begin(), taken.end(), 0);
            for (int sweep = 0; sweep < SWEEPS_PER_ADAPTATION; ++sweep) {
                for (std::size_t j = 0; j < k; ++j) {
                    if (out.evaluations >= control.evaluations) return out;
                    trial = current;
                    trial[j] += range[j] * (2 * random.uniform() - 1);
                    Real trial_value = 0;
                    ++out.evaluations;
                    if (!objective(trial, trial_value) || qm::isnan(trial_value)) continue;
                    const Real change = trial_value - value;
                    const bool accept =
                        change >= 0 || random.uniform() < qm::exp(change / temperature);
                    if (!accept) continue;
                    current[j] = trial[j];
                    value = trial_value;
                    ++taken[j];
                    ++out.accepted;
                    if (value > out.best_value) {
                        out.best_value = value;
                        out.best = current;
                    }
                }
            }
            for (std::size_t j = 0; j < k; ++j)
                range[j] = adapted_range(range[j], Real(taken[j]) / SWEEPS_PER_ADAPTATION);
        }
        temperature *= cooling;
        current = out.best;
        value = out.best_value;
    }
    return out;
}

} // namespace tarvex
