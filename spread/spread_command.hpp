// SPREAD [names]: the listed series (all series when none is listed) as a table, observations
// as rows. At a terminal the table can be paged, a cell edited (the series changes) and the
// last edits undone; elsewhere it is printed like PRINT's listing.
#pragma once

namespace tarvex {

struct Run;

void cmd_spread(Run& run);

} // namespace tarvex
