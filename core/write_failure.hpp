// The one report of a failed write, for every writer of data files: the file, the unit when the
// user bound one, and the reason the system gave.
#pragma once

#include <string>

namespace tarvex {

struct Run;

// The reason in capitals: "DISK FULL", "PERMISSION DENIED", "FILE TOO LARGE", or the system's
// own text for other error numbers.
std::string write_failure_reason(int error);

// " ...ERROR..CANNOT WRITE FILE name: REASON", or with a unit the user bound (unit > 0)
// " ...ERROR..CANNOT WRITE ON UNIT nn FILE name: REASON"; stores `number` in $ERR and ends the
// command. A long name keeps its end so that the line stays within 130 columns.
void report_write_failure(Run& run, int unit, const std::string& name, int error, int number);

} // namespace tarvex
