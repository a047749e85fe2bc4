// Finding perfect prediction: the threshold check of each regressor and the check of a fit that
// ran away.
#include "regress/choice/separation.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// A log-likelihood term above this is a probability of 1 - 1e-30 or closer: no finite
// coefficients at which the data are merely well predicted come so near.
const Real CERTAIN_TERM = -1e-30Q;
// Iterations looked back over to see which coefficients grow.
constexpr std::size_t GROWTH_SPAN = 5;
// A coefficient "grows" when it moved by this share of the largest move over the span.
const Real GROWTH_SHARE = 1e-3Q;

} // namespace

Separation regressor_separation(const ChoiceData& data) {
    Separation s;
    const std::size_t n = data.y.size();
    for (int j = 0; j < static_cast<int>(data.x.size()); ++j) {
        if (j == data.intercept) continue;
        const std::vector<Real>& x = data.x[std::size_t(j)];
        bool seen[2] = {false, false};
        Real lo[2] = {0, 0}, hi[2] = {0, 0};
        for (std::size_t i = 0; i < n; ++i) {
            const int g = data.y[i] != 0;
            if (!seen[g]) {
                seen[g] = true;
                lo[g] = hi[g] = x[i];
                continue;
            }
            lo[g] = std::min(lo[g], x[i]);
            hi[g] = std::max(hi[g], x[i]);
        }
        if (!seen[0] || !seen[1]) return s;
        // Ones above: max over y = 0 <= min over y = 1; ones below: max over y = 1 <= min over y =
        // 0.
        const bool above = hi[0] <= lo[1], below = hi[1] <= lo[0];
        if (!above && !below) continue;
        s.found = true;
        s.by_threshold = true;
        s.columns = {j};
        s.ones_above = above;
        s.threshold = above ? hi[0] : hi[1];
        s.complete = above ? hi[0] < lo[1] : hi[1] < lo[0];
        for (std::size_t i = 0; i < n; ++i)
            if (!equal_values(x[i], s.threshold) || s.complete) s.rows.push_back(int(i));
        return s;
    }
    return s;
}

Separation fitted_separation(const std::vector<Real>& log_terms,
                             const std::vector<std::vector<Real>>& history, int intercept) {
    Separation s;
    for (std::size_t i = 0; i < log_terms.size(); ++i)
        if (log_terms[i] > CERTAIN_TERM) s.rows.push_back(int(i));
    if (s.rows.empty()) return s;
    s.found = true;
    s.complete = s.rows.size() == log_terms.size();
    if (history.size() < 2) return s;
    const std::vector<Real>& last = history.back();
    const std::vector<Real>& before =
        history[history.size() - 1 - std::min(GROWTH_SPAN, history.size() - 1)];
    Real largest = 0;
    std::vector<Real> moved(last.size());
    for (std::size_t j = 0; j < last.size(); ++j) {
        moved[j] = qm::abs(last[j] - before[j]);
        if (int(j) != intercept) largest = std::max(largest, moved[j]);
    }
    for (std::size_t j = 0; j < last.size(); ++j)
        if (int(j) != intercept && largest > 0 && moved[j] > GROWTH_SHARE * largest)
            s.columns.push_back(int(j));
    return s;
}

} // namespace tarvex
