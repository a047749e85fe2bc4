// The one report of a failed write, for every writer of data files: the file, the unit when the
// user bound one, and the reason the system gave; and the checked close of the report files.
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

// The end of the run for the files that took report lines: the log bound by FILE SCREEN and the
// report file bound by FILE OUTPUT are closed with every write checked, and a failure is
// reported (the report file's own failure on the console, which takes the report back).
void close_report_files(Run& run);

} // namespace tarvex
