// Sorting the dependent variable of a discrete-choice model into its categories.
#include "regress/choice/outcome_categories.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

OutcomeCategories sort_outcomes(const std::vector<Real>& y, bool numbered, int least) {
    OutcomeCategories out;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const Real v = y[i];
        if (finiteq(v) && qm::floor(v) == v) continue;
        out.end = ChoiceEnd::NOT_INTEGER;
        out.row = static_cast<int>(i);
        out.value = v;
        return out;
    }
    out.values = y;
    std::sort(out.values.begin(), out.values.end());
    out.values.erase(std::unique(out.values.begin(), out.values.end()), out.values.end());
    if (numbered && !out.values.empty()) {
        // 0 or 1 starts the numbering; the first number missing after it is an empty category.
        Real expect = out.values.front() == 0 ? Real(0) : Real(1);
        for (const Real v : out.values) {
            if (v != expect) {
                out.end = ChoiceEnd::EMPTY_CATEGORY;
                out.value = expect;
                return out;
            }
            expect += 1;
        }
    }
    if (static_cast<int>(out.values.size()) < least) {
        out.end = ChoiceEnd::TOO_FEW_CATEGORIES;
        return out;
    }
    out.counts.assign(out.values.size(), 0);
    out.category.resize(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        const auto at = std::lower_bound(out.values.begin(), out.values.end(), y[i]);
        const int c = static_cast<int>(at - out.values.begin());
        out.category[i] = c;
        ++out.counts[std::size_t(c)];
    }
    return out;
}

} // namespace tarvex
