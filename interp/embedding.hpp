// The embedding interface for a host that links the engine into its own process and keeps one
// run open across many calls (the Python module is such a host): the run itself, on a thread
// the host gives it, reading its statements through the registered reader; a stream that hands
// each report line to the host; an interruption the host asks for; and the workspace reached
// directly while the run waits for its next line (series in from double arrays, variables out
// as binary128 values, their shortest decimal text).
//
// The engine keeps process-wide state beside the run (the registered reader and handler, the
// interruption flag, the temporary-file registry): one embedded run per process at a time.
#pragma once

#include "core/run.hpp"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::embedding {

// Runs a console run on `run` as the entry point does for code 166, with `extra` the entry's
// extra bits (EXTRA_TERMINAL, EXTRA_HOST_INTERRUPTS). The run reads its statements from
// run.streams.in (standard input goes through the registered reader) and writes its report to
// run.streams.out. Returns false when the run ended by a fatal stop (which ends the process
// under the entry point).
bool run_console(Run& run, int extra);

// Asks the command in progress to end as Ctrl-C at the terminal ends it ("...NOTE..INTERRUPTED"
// and the next statement is read). Safe from another thread and from a signal handler.
void request_interrupt();

// A write stream that hands `sink` each line written to it, without its newline, as the line
// ends (and a last unended line at the close). The caller closes it with fclose.
std::FILE* open_line_sink(std::function<void(std::string_view)> sink);

// Stores `rows` x `cols` doubles (column by column) as the variable `name`: a data series when
// `cols` is 1, else a matrix. Each double becomes the binary128 of the same value (exactly); a
// NaN becomes the missing code. When no sample range is set yet, a series sets it to 1..rows,
// as READ does. Returns "" on success, else why nothing was stored.
std::string store_doubles(Run& run, std::string_view name, const double* values, long long rows,
                          long long cols);

// A variable's values as the workspace holds them, column by column.
struct VariableValues {
    int type = 0; // VarType
    long long rows = 0;
    long long cols = 0;
    std::vector<Real> values;
};
// The values of `name` (a series, matrix, or result scalar such as "$R2"); nullopt when the
// name is unknown or holds characters.
std::optional<VariableValues> read_variable(Run& run, std::string_view name);

// The shortest decimal text that reads back as exactly `x` ("1.5", "-2.5e-07", "0.1"); "nan",
// "inf", "-inf" for those values.
std::string shortest_text(Real x);

} // namespace tarvex::embedding
