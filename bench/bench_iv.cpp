// Benchmark: the whole process of 2SLS with 10 regressors (3 endogenous, 7 exogenous) and an
// intercept, 15 instruments (the 7 exogenous regressors and 8 excluded) and the intercept, on
// 1,000,000 observations. The figure is the run with the estimation less the same run without
// it (the READ), best and median of the passes. Target: under 3 s.
// Run by hand: build/bench/bench_iv [passes]
#include "child_process.hpp"
#include "script_timing.hpp"

#include <cstring>
#include <random>

namespace {

// Columns Y, X1..X3 (endogenous), W1..W7 (exogenous), Z1..Z8 (excluded instruments).
bool write_iv_data(const std::string& path, long rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(17);
    std::normal_distribution<double> normal(0.0, 1.0);
    bool ok = true;
    char line[1024];
    for (long r = 0; r < rows && ok; ++r) {
        double w[7], z[8], x[3];
        for (double& v : w) v = normal(gen);
        for (double& v : z) v = normal(gen);
        const double common = normal(gen);
        double y = 1 + common;
        for (int j = 0; j < 3; ++j) {
            x[j] = 0.5 * z[j] + 0.3 * z[j + 3] + 0.2 * z[7] + 0.2 * w[j] + common + normal(gen);
            y += (j + 1) * 0.25 * x[j];
        }
        for (int j = 0; j < 7; ++j) y += 0.1 * w[j];
        y += normal(gen);
        int n = std::snprintf(line, sizeof line, "%.6f", y);
        for (double v : x) n += std::snprintf(line + n, sizeof line - n, " %.6f", v);
        for (double v : w) n += std::snprintf(line + n, sizeof line - n, " %.6f", v);
        for (double v : z) n += std::snprintf(line + n, sizeof line - n, " %.6f", v);
        line[n++] = '\n';
        ok = std::fwrite(line, 1, n, f) == static_cast<std::size_t>(n);
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string binary = bench::tarvex_binary(argv[0]);
    const std::string data = "/tmp/tarvex_iv_1e6.txt";
    const std::string read = "PAR 400000\nSAMPLE 1 1000000\nREAD ('" + data +
                             "') Y X1 X2 X3 W1 W2 W3 W4 W5 W6 W7 Z1 Z2 Z3 Z4 Z5 Z6 Z7 Z8\n";
    const std::string iv = "2SLS Y X1 X2 X3 W1 W2 W3 W4 W5 W6 W7 ; W1 W2 W3 W4 W5 W6 W7 Z1 Z2 Z3 "
                           "Z4 Z5 Z6 Z7 Z8\n";
    if (!write_iv_data(data, 1000000) ||
        !bench::write_text("/tmp/iv_2sls.cmd", read + iv + "STOP\n") ||
        !bench::write_text("/tmp/iv_read.cmd", read + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    return bench::time_against(binary, "/tmp/iv_2sls.cmd", "/tmp/iv_read.cmd", passes, "2SLS",
                               "/tmp/tarvex_iv.out", "SARGAN TEST")
               ? 0
               : 1;
}
