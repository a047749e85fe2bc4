// READX, the handler of READ.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;

void READX(Run& run);

// Whether the one listed name is an existing matrix (types 2 to 4), so that it is read as one.
bool is_existing_matrix(Run& run, const std::vector<std::string>& names);
// LIST after a READ: the variables read, listed as PRINT lists them, over observations
// beg..end (end 0: each to its end).
void list_read_variables(Run& run, const std::vector<std::string>& names, int beg, int end);

// Free-format reads of long files convert on two threads unless this is turned off (tests
// compare the two routes); split_reads counts the reads that did.
void allow_split_reading(bool allowed);
long long split_reads();

} // namespace tarvex
