// Drives one run over in-memory streams for tests, fuzzing and benchmarks.
#include "interp/script_run.hpp"

#include "interp/entry.hpp"

#include <cstdlib>
#include <memory>

namespace tarvex {

namespace {

// Entry codes as TARVEXQX maps them to run modes.
int mode_for_code(int code) {
    switch (code) {
    case 166:
    case 167:
    case 327:
        return MODE_CONSOLE;
    case 307:
        return MODE_WINDOWED;
    case 337:
        return MODE_WINDOWED_33;
    default:
        return code;
    }
}

} // namespace

ScriptResult run_script_streams(std::FILE* in, std::FILE* out, int code, int extra) {
    ScriptResult result;
    auto run = std::make_unique<Run>();
    run->streams.in = in;
    run->streams.out = out;
    try {
        start_run(*run, mode_for_code(code), 0, 1, extra);
    } catch (const FatalStop& stop) {
        result.fatal = true;
        result.fatal_code = stop.code;
    }
    return result;
}

ScriptResult run_script(std::string_view script, int code, int extra) {
    std::string input(script);
    if (input.empty()) input = "\n"; // fmemopen refuses an empty buffer
    std::FILE* in = fmemopen(input.data(), input.size(), "r");
    char* out_buf = nullptr;
    std::size_t out_len = 0;
    std::FILE* out = open_memstream(&out_buf, &out_len);
    ScriptResult result = run_script_streams(in, out, code, extra);
    std::fclose(in);
    std::fclose(out);
    result.output.assign(out_buf, out_len);
    std::free(out_buf);
    return result;
}

} // namespace tarvex
