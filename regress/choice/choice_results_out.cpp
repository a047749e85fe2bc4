// Storing the marginal effects and the outcome probabilities of the choice models.
#include "regress/choice/choice_results_out.hpp"

#include "core/run.hpp"
#include "regress/fit/output_variables.hpp"

namespace tarvex {

bool store_marginal_effects(Run& run, const ChoiceOptions& o, const MarginalEffects& at_means) {
    return store_vector(run, o.MARGEFF, at_means.effect) &&
           store_vector(run, o.MARGSE, at_means.se);
}

bool store_outcome_probabilities(Run& run, const std::string& name, const ChoiceEquation& eq,
                                 const std::vector<std::vector<Real>>& probability) {
    const int rows = eq.end, cols = static_cast<int>(probability.size());
    if (rows < 1 || cols < 1) return true;
    std::vector<Real> values(std::size_t(rows) * std::size_t(cols), run.ws.XMISS);
    for (int j = 0; j < cols; ++j)
        for (std::size_t i = 0; i < eq.obs.size() && i < probability[std::size_t(j)].size(); ++i)
            if (eq.obs[i] >= 1 && eq.obs[i] <= rows)
                values[std::size_t(j) * rows + std::size_t(eq.obs[i] - 1)] =
                    probability[std::size_t(j)][i];
    return store_column_matrix(run, name, rows, cols, values);
}

} // namespace tarvex
