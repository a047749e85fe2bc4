// The statement scanner SCANIT: turns the text after the command word into the scan block
// (variable list with lag codes, the word table of options, the unit or file in parentheses).
#pragma once

#include "core/scan_block.hpp"

#include <cstddef>

namespace tarvex {

struct Run;

// Sizes the scan block for a workspace of `maxvar` variables.
void init_scan_block(ScanBlock& scan, int maxvar);
// Scans the current statement from run.cmd.col; sets OERR/ODONT on errors.
void SCANIT(Run& run);
// Commands whose arguments are keywords, not variables: SCANIT puts every item of theirs into
// the word table (SET, DISPLAY, STOP, RESET, SIZE, PARM, GOTO).
bool scans_words_only(int ikod);
// Writes "...ERROR..SYNTAX ERROR", the statement in 130-column lines with "$" under `column`
// (0-based in run.cmd.text), and sets ERR = 1016, OERR and ODONT.
void report_syntax_error(Run& run, std::size_t column);

} // namespace tarvex
