// The cross-sections of a panel: which cross-section each observation in use belongs to, either
// from the layout (NCROSS= cross-sections of equal length stacked one after the other in the
// estimation range) or from an identifier variable (IDVAR=: a cross-section per distinct value,
// numbered in the order the values first appear). Each observation also has a period: under
// NCROSS= its place in its block of the layout, under IDVAR= its place among the observations of
// its cross-section, or with TIMEVAR= the value of the period variable; the periods with an
// observation are numbered 0, 1 ... in time order.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct PanelGroups {
    int count = 0;          // cross-sections with at least one observation in use
    std::vector<int> group; // 0-based cross-section of each observation in use
    std::vector<int> rows;  // observations in use of each cross-section
    int shortest = 0, longest = 0;
    std::vector<int> period; // 0-based period of each observation in use
    int periods = 0;         // periods with at least one observation in use
    bool balanced() const { return shortest == longest; }
    // Every cross-section observed once in every period.
    bool complete_grid() const;
    // The first cross-section (0-based) with fewer than `least` observations; -1 when none.
    int first_shorter_than(int least) const;
    // The first cross-section (0-based) observed twice in one period; -1 when none.
    int first_repeated_period() const;
};

// NCROSS= layout: the range beg..end holds `ncross` cross-sections of (end - beg + 1) / ncross
// observations each; `obs` are the observations in use. False when ncross does not divide the
// range.
bool groups_by_layout(const std::vector<int>& obs, int beg, int end, int ncross,
                      PanelGroups& groups);

// IDVAR=: one cross-section per distinct value of `ids` (one per observation in use).
void groups_by_id(const std::vector<Real>& ids, PanelGroups& groups);

// TIMEVAR=: the periods are the distinct values of `times` (one per observation in use),
// numbered in increasing order.
void periods_by_time(const std::vector<Real>& times, PanelGroups& groups);

} // namespace tarvex
