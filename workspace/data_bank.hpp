// The data bank: variables kept under their names in an SQLite file (see bank_file.hpp) in the
// data bank directory, so that a later run can use them. STOP DB (or the switch DB at the end
// of a run) saves every variable; with DB on, names not in the workspace are sought in the bank;
// NAMES lists what the bank holds; READ and WRITE with the DB option move single variables.
#pragma once

#include "workspace/variable_copy.hpp"

#include <string>
#include <string_view>

namespace tarvex {

struct Run;

// The bank file: the FILE DATABANK directory (the current directory when none is set), and the
// name set by SET BANKNAME (TARVBANK when none), with ".db" added when it has no extension.
std::string data_bank_path(const Run& run);

// Stores one workspace variable in the bank (replacing a stored one of that name). False, with
// the error written, when the name is unknown or the bank cannot be written.
bool bank_store(Run& run, std::string_view name);
// Brings a variable from the bank into the workspace (replacing one of that name). False when
// the bank does not hold it (nothing is written then) or on an error (written).
bool bank_fetch(Run& run, std::string_view name);
// Reads a variable from the bank without changing the workspace, with the TIME calendar stored
// with it (frequency 0 when none). False as bank_fetch.
bool bank_read(Run& run, std::string_view name, VariableCopy& var);
// Saves every variable of the workspace in one transaction (STOP DB, switch DB at the end).
void save_data_bank(Run& run);
// NAMES with DB on: the bank's names under "VARIABLES IN DATABANK AVAILABLE FOR USE".
void list_data_bank(Run& run);
// A name as the scanner looks it up: the workspace first, then, with DB on, the bank. Returns
// the reference as VFIND does (0 when found nowhere); `bank_failed` (when given) tells whether
// the bank wrote an error of its own, so that the caller need not report the name as unknown.
int find_or_fetch(Run& run, std::string_view name, bool* bank_failed = nullptr);

} // namespace tarvex
