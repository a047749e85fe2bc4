// GENR whose right side reads series bound to a file on disk: the statement runs in one pass over
// the blocks of the bound rows and its new series is written to a TARVBIN file of its own, which
// the name is then bound to (so every command that takes bound series takes it).
#pragma once

#include <cstddef>

namespace tarvex {

struct Run;

// Handler of GENR: as in memory, and over series bound to a file when the statement reads any.
void cmd_genr_over_bound(Run& run);

// The same, reading the bound rows in blocks of `block_rows` (tests cut series into many blocks).
void run_genr_over_bound(Run& run, std::size_t block_rows);

} // namespace tarvex
