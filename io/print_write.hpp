// The PRINT, LIST and WRITE commands (PRINTX and WRITEX), and the listing READ asks for with
// its LIST switch.
#pragma once

#include <vector>

namespace tarvex {

struct Run;

// PRINT and LIST: the items of the scanned statement listed on the report.
void PRINTX(Run& run);
// WRITE: the same items sent to a unit or file in the chosen layout.
void WRITEX(Run& run);
// The listing after READ ... / LIST: `refs` with names shown over observations beg..end
// (end 0: each variable to its end); with `only_in_sample` the observations the sample passes
// over are left out (SPREAD's printed table).
void print_after_read(Run& run, const std::vector<int>& refs, int beg, int end,
                      bool only_in_sample = false);

} // namespace tarvex
