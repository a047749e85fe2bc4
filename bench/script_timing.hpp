// Timing of the benchmarks: processor time of the whole process, and of one command script run
// through a fresh engine with its report thrown away; where the tarvex program is.
#pragma once

#include "interp/script_run.hpp"

#include <cstdio>
#include <ctime>
#include <string>

namespace bench {

inline double cpu_seconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double script_cpu_seconds(const std::string& script) {
    std::FILE* out = std::fopen("/dev/null", "w");
    std::string input = script;
    std::FILE* in = fmemopen(input.data(), input.size(), "r");
    const double start = cpu_seconds();
    tarvex::run_script_streams(in, out);
    const double seconds = cpu_seconds() - start;
    std::fclose(in);
    std::fclose(out);
    return seconds;
}

// The tarvex program beside the benchmark's build directory (bench/ sits in the build tree).
inline std::string tarvex_binary(const char* self) {
    std::string dir(self);
    const auto slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    return dir + "/../tarvex";
}

} // namespace bench
