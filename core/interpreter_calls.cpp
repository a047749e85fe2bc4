// The installed interpreter routines and the calls that forward to them.
#include "core/interpreter_calls.hpp"

namespace tarvex {

namespace {

InterpreterCalls installed; // constant-initialised: empty until the interpreter installs itself

} // namespace

bool install_interpreter_calls(const InterpreterCalls& calls) {
    installed = calls;
    return true;
}

bool read_next_statement(Run& run) {
    return installed.next_statement != nullptr && installed.next_statement(run);
}

void hold_statement_for_loop(Run& run) {
    if (installed.hold_statement != nullptr) installed.hold_statement(run);
}

void scan_statement(Run& run) {
    if (installed.scan_statement != nullptr) installed.scan_statement(run);
}

} // namespace tarvex
