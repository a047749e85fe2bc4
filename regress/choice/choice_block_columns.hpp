// Where an equation's values lie among the columns of the blocks of rows that the estimators over
// series bound to a file read (binary PROBIT and LOGIT, TOBIT), and the gathering of chosen rows
// from those blocks into a sample held in memory (a preliminary fit's subsample, a short sample).
#pragma once

#include "regress/choice/choice_data.hpp"

#include <cstddef>
#include <vector>

namespace tarvex {

struct ChoiceBlockColumns {
    int dependent = 0;      // the column of y
    std::vector<int> terms; // per coefficient: its column, -1 for the intercept
    int weight = -1;        // the column of the frequency weights, -1 without
};

// The coefficient of the intercept, -1 without.
inline int intercept_term(const ChoiceBlockColumns& where) {
    int intercept = -1;
    for (std::size_t j = 0; j < where.terms.size(); ++j)
        if (where.terms[j] < 0) intercept = static_cast<int>(j);
    return intercept;
}

// A sample with no rows yet of the equation `where` describes: its columns, the intercept's
// place marked.
inline ChoiceData empty_choice_rows(const ChoiceBlockColumns& where) {
    ChoiceData part;
    part.x.resize(where.terms.size());
    part.intercept = intercept_term(where);
    return part;
}

// Appends to `part` the rows of `keep` (rows of the data as a whole, ascending, taken from
// keep[next] on) that fall in the stretch `v` of v.n rows whose first is row `first`; `next`
// moves past them. The stretch is any block view with y, the columns x and the weights.
template <class Stretch>
void append_kept_rows(const Stretch& v, std::size_t first, const std::vector<std::size_t>& keep,
                      std::size_t& next, ChoiceData& part) {
    for (; next < keep.size() && keep[next] < first + v.n; ++next) {
        const std::size_t i = keep[next] - first;
        part.y.push_back(v.y[i]);
        for (std::size_t j = 0; j < part.x.size(); ++j) part.x[j].push_back(v.x[j][i]);
        if (v.weighted()) part.weight.push_back(v.weight[i]);
    }
}

} // namespace tarvex
