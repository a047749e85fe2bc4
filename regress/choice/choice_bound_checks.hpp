// The checks of the data of PROBIT and LOGIT over series bound to a file, made in one pass over
// the blocks before the fit: the outcomes of the dependent variable (0 or 1, both present), the
// regressors that vary, and the observations that hold the missing code. In a run over several
// ranks each rank checks its share and the findings are put together in rank order, so every
// rank finds what one pass over all the rows finds.
#pragma once

#include "kernels/row_blocks.hpp"
#include "numeric/real.hpp"

#include <set>
#include <vector>

namespace tarvex {

struct Run;
struct ChoiceBlockColumns;

struct BoundChoiceChecks {
    long long ones = 0, rows = 0;
    long long first_not_whole = -1, first_not_binary = -1; // observations, -1: none
    Real not_whole_value = 0, not_binary_value = 0;
    std::set<long long> whole; // the whole values above 1 (a few more than a LOGIT takes)
    bool zero = false;
    std::vector<bool> varies; // per coefficient (the intercept's stays false)
    std::vector<Real> first;  // per coefficient: its value in the first row
    // Per column of the blocks: the observations holding the missing code, ascending.
    std::vector<std::vector<long long>> missing_at;
};

// One pass over `rows` (this rank's share) for the checks, put together over the ranks. False,
// with the line reported on every rank (`read_error`), when a read failed on any rank.
bool check_bound_choice_rows(Run& run, RowBlocks& rows, const ChoiceBlockColumns& where,
                             BoundChoiceChecks& c, int read_error);

} // namespace tarvex
