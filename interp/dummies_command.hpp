// DUMMIES, the handler that turns a categorical variable into 0/1 dummy series.
#pragma once

namespace tarvex {

struct Run;

// DUMMIES var [/ ALL OMIT=k]: one dummy per category of a coded series with labels, a
// character variable, or a series with few distinct values; one category left out (the
// first, or OMIT=k; none with ALL). $K holds the number of dummies made.
void cmd_dummies(Run& run);

} // namespace tarvex
