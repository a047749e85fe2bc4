// Benchmark: the whole process of COINTEGR's augmented Dickey-Fuller test with the lag length
// chosen by AIC from 1 to 12, with a constant and a trend, on 1,000,000 observations of a
// random walk with AR(2) increments. The figure is the run with the test less the same run
// without it (the READ), best and median of the passes. Target: under 2 s.
// Run by hand: build/bench/bench_coint [passes]
#include "child_process.hpp"
#include "script_timing.hpp"

#include <random>

namespace {

bool write_walk(const std::string& path, long rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(17);
    std::normal_distribution<double> normal(0.0, 1.0);
    double level = 0, d1 = 0, d2 = 0;
    bool ok = true;
    char line[64];
    for (long r = 0; r < rows && ok; ++r) {
        const double d = 0.4 * d1 - 0.2 * d2 + normal(gen);
        d2 = d1, d1 = d, level += d;
        const int n = std::snprintf(line, sizeof line, "%.6f\n", level);
        ok = std::fwrite(line, 1, n, f) == static_cast<std::size_t>(n);
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string binary = bench::tarvex_binary(argv[0]);
    const std::string data = "/tmp/tarvex_coint_1e6.txt";
    const std::string read = "PAR 200000\nSAMPLE 1 1000000\nREAD ('" + data + "') Y\n";
    if (!write_walk(data, 1000000) ||
        !bench::write_text("/tmp/co_adf.cmd",
                           read + "COINTEGR Y / LAGS=12 SELECT=AIC DETERM=TREND\nSTOP\n") ||
        !bench::write_text("/tmp/co_read.cmd", read + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    return bench::time_against(binary, "/tmp/co_adf.cmd", "/tmp/co_read.cmd", passes, "ADF",
                               "/tmp/tarvex_coint.out")
               ? 0
               : 1;
}
