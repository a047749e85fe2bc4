// Variable maintenance commands: DIMENSION, DELETE, RENAME, COMPRESS, SAVE and RESTORE, and the
// pieces they share (the words of the statement, releasing a slot, compacting the work area).
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// ---- Commands (handlers of the command table) ----------------------------------------------

void cmd_dimension(Run& run); // DIMENSION name rows [cols] ...
void cmd_delete(Run& run);    // DELETE list | ALL | ALLDATA | ALL_
void cmd_rename(Run& run);    // RENAME old new ... (a "." makes it a file rename)
void cmd_compress(Run& run);  // COMPRESS
void cmd_save(Run& run);      // SAVE (unit) [names] [/ DATES]
void cmd_restore(Run& run);   // RESTORE (unit) [names] [/ DATES]

// ---- Shared pieces -------------------------------------------------------------------------

// The words of the statement after the command word, as typed: blanks, commas and tabs
// separate them; a "/" ends them and what follows goes to `options` (when given).
std::vector<std::string> statement_words(const Run& run, std::vector<std::string>* options);
// The first 8 characters of a word, upper-cased when `upper` is set.
std::string word8(std::string_view word, bool upper);
bool is_hole(const Run& run, int slot);

// Releases one workspace slot as DELETE does: the note under OWARN, SKIP$ bookkeeping, and the
// words of the last slot given back (otherwise a hole is counted).
void release_slot(Run& run, int slot);
// After deletions: clears the SKIPIF state when SKIP$ is gone and empties a workspace that holds
// only holes.
void settle_after_delete(Run& run);

// Compaction: what it recovered.
struct CompactionResult {
    int slots_removed = 0;
    long long words_regained = 0;
};
// Moves every variable down over the holes, keeping their order; NDL becomes 0.
CompactionResult compact_workspace(Run& run);

// Inside a DO loop or a procedure (set by their replay): COMPRESS refuses to move variables.
bool replaying_statements(const Run& run);

} // namespace tarvex
