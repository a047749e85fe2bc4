// The entry point TARVEXQX and the start-up routine it calls: run modes, sizes, allocation,
// RESET, and the command loop's start and end.
#pragma once

#include "core/run.hpp"

extern "C" {
// Exported entry point: code, window and extra are passed by reference.
__attribute__((visibility("default"))) int TARVEXQX(int* code, int* window, int* extra);
}

namespace tarvex {

// Bits of the entry argument `extra`, which the host sets: EXTRA_TERMINAL says a person types
// the commands at a terminal (interactive run: OTALK on, no echo of the typed line).
inline constexpr int EXTRA_TERMINAL = 1;
// EXTRA_HOST_INTERRUPTS says the host keeps its own signal handlers and asks for interruptions
// itself (embedding::request_interrupt): the run installs no handler for SIGINT, SIGTERM, SIGHUP.
inline constexpr int EXTRA_HOST_INTERRUPTS = 2;

// Runs one run on `run` (start-up, command loop, reallocations) with mode `code`; returns when
// the command loop ends. FatalStop propagates out of it.
void start_run(Run& run, int code, int window, int precision, int extra);
// RESET: with close_only only the run's files are closed.
void RESET(Run& run, bool close_only);
// The RESET command (slot 111): the word CLOSE closes the run's files only.
void cmd_reset(Run& run);
// True when the host said a person types the commands at a terminal.
bool interactive_terminal(const Run& run);
// Writes the welcome banner (the command loop's first output).
void write_banner(Run& run);
// Writes the timing lines when OTIM is on.
void write_timing(Run& run);

} // namespace tarvex
