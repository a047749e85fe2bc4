// Timing of the benchmarks: processor time of the whole process, and of one command script run
// through a fresh engine with its report thrown away; where the tarvex program is.
#pragma once

#include "bench/bench_clock.hpp"
#include "interp/script_run.hpp"

#include <cstdio>
#include <ctime>
#include <random>
#include <string>

namespace bench {

// The regression data of the OLS benchmarks: y = 3 + sum j*xj/10 + noise, ten regressors uniform
// on (-1000, 1000), nine significant digits, one observation a line (after a line of names when
// `with_names`); false when the file cannot be written whole.
inline bool write_data_file(const std::string& path, long rows, bool with_names) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    std::normal_distribution<double> noise(0.0, 50.0);
    bool ok = !with_names || std::fputs("y x1 x2 x3 x4 x5 x6 x7 x8 x9 x10\n", f) >= 0;
    char line[512];
    for (long r = 0; r < rows && ok; ++r) {
        double x[10];
        double y = 3;
        for (int j = 0; j < 10; ++j) {
            x[j] = u(gen);
            y += (j + 1) * x[j] / 10;
        }
        y += noise(gen);
        int n = std::snprintf(line, sizeof line, "%.9g", y);
        for (double v : x) n += std::snprintf(line + n, sizeof line - n, " %.9g", v);
        line[n++] = '\n';
        ok = std::fwrite(line, 1, n, f) == static_cast<std::size_t>(n);
    }
    return std::fclose(f) == 0 && ok;
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
