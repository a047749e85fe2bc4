// The installed interpreter routines and the calls that forward to them; a call with nothing
// installed stops the process (a command below the interpreter ran outside a started run).
#include "core/interpreter_calls.hpp"

#include <cstdio>
#include <cstdlib>

namespace tarvex {

namespace {

InterpreterCalls installed; // constant-initialised: empty until the run start installs it

// A programming error, not a condition of the run: no report line, no error number.
[[noreturn]] void stop_without_interpreter(const char* routine) {
    std::fprintf(stderr,
                 "tarvex: internal error: %s called with no interpreter installed "
                 "(the run start installs it before reading a statement)\n",
                 routine);
    std::abort();
}

} // namespace

void install_interpreter_calls(const InterpreterCalls& calls) {
    if (calls.next_statement == nullptr) stop_without_interpreter("install (next_statement)");
    if (calls.hold_statement == nullptr) stop_without_interpreter("install (hold_statement)");
    if (calls.scan_statement == nullptr) stop_without_interpreter("install (scan_statement)");
    installed = calls;
}

bool read_next_statement(Run& run) {
    if (installed.next_statement == nullptr) stop_without_interpreter("read_next_statement");
    return installed.next_statement(run);
}

void hold_statement_for_loop(Run& run) {
    if (installed.hold_statement == nullptr) stop_without_interpreter("hold_statement_for_loop");
    installed.hold_statement(run);
}

void scan_statement(Run& run) {
    if (installed.scan_statement == nullptr) stop_without_interpreter("scan_statement");
    installed.scan_statement(run);
}

} // namespace tarvex
