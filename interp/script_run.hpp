// Runs a whole command script in a fresh run held in memory: the way tests, the fuzz target and
// the benchmarks drive the engine without a host program.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tarvex {

struct ScriptResult {
    std::string output; // everything the run wrote to its output unit
    bool fatal = false; // the run ended through the fatal stop
    int fatal_code = 0;
};

// Console run (entry code 166) of `script`; `extra` is passed to start-up unchanged.
ScriptResult run_script(std::string_view script, int code = 166, int extra = 0);
// The same with the run's streams given by the caller (output may be /dev/null).
ScriptResult run_script_streams(std::FILE* in, std::FILE* out, int code = 166, int extra = 0);

} // namespace tarvex
