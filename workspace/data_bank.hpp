// The data bank: variables saved under their names at the end of a run (STOP with the word DB
// or the switch ODB) and sought by name when ODB is on. Not provided yet: the hook reports so.
#pragma once

namespace tarvex {

struct Run;

// Saves every variable of the workspace to the data bank.
void save_data_bank(Run& run);

} // namespace tarvex
