// A program run to its end with a time limit: found on PATH, started without the shell, its
// input empty, its messages kept in a file, killed when the limit passes. For the external
// programs a command hands its work to (gnuplot draws the graphs).
#pragma once

#include <string>
#include <vector>

namespace tarvex::host {

enum class ProgramEnd {
    EXITED,      // ran to its end: `status` holds the exit status
    NOT_FOUND,   // no such program on PATH
    NOT_STARTED, // found but it could not be started
    TIMED_OUT,   // killed when the time limit passed
    KILLED,      // ended by a signal
};

struct ProgramResult {
    ProgramEnd end = ProgramEnd::NOT_STARTED;
    int status = -1;
};

// Runs argv[0] (sought on PATH) with the arguments after it, standard input from /dev/null,
// standard output discarded and standard error written to `messages` (not kept when empty).
// Waits at most `seconds` seconds.
ProgramResult run_program(const std::vector<std::string>& argv, const std::string& messages,
                          int seconds);

} // namespace tarvex::host
