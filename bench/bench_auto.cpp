// Benchmark: the whole process of AUTO (exact maximum likelihood, AR(1) errors) with 5
// regressors and an intercept on 1,000,000 observations, and with AR(2) errors, less the same
// run without it (the READ), best and median of the passes. Target: under 5 s.
// Run by hand: build/bench/bench_auto [passes]
#include "child_process.hpp"
#include "script_timing.hpp"

#include <random>

namespace {

// Columns Y and X1 .. X5 standard normal; Y = 1 + sum b_j X_j + u, u AR(1) with rho 0.6.
bool write_auto_data(const std::string& path, long rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(19);
    std::normal_distribution<double> normal(0.0, 1.0);
    bool ok = true;
    double u = 0;
    char line[256];
    for (long r = 0; r < rows && ok; ++r) {
        double x[5], y = 1;
        for (int j = 0; j < 5; ++j) {
            x[j] = normal(gen);
            y += (j % 2 == 0 ? 0.5 : -0.3) * x[j];
        }
        u = 0.6 * u + normal(gen);
        int n = std::snprintf(line, sizeof line, "%.6f", y + u);
        for (double v : x) n += std::snprintf(line + n, sizeof line - n, " %.6f", v);
        line[n++] = '\n';
        ok = std::fwrite(line, 1, n, f) == static_cast<std::size_t>(n);
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string binary = bench::tarvex_binary(argv[0]);
    const std::string data = "/tmp/tarvex_auto_1e6.txt";
    const std::string read =
        "PAR 100000\nSAMPLE 1 1000000\nREAD ('" + data + "') Y X1 X2 X3 X4 X5\n";
    if (!write_auto_data(data, 1000000) ||
        !bench::write_text("/tmp/auto_ar1.cmd", read + "AUTO Y X1 X2 X3 X4 X5\nSTOP\n") ||
        !bench::write_text("/tmp/auto_ar2.cmd", read + "AUTO Y X1 X2 X3 X4 X5 / ORDER=2\nSTOP\n") ||
        !bench::write_text("/tmp/auto_read.cmd", read + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    bench::time_against(binary, "/tmp/auto_ar1.cmd", "/tmp/auto_read.cmd", passes, "AUTO AR(1)",
                        "/tmp/tarvex_auto.out");
    bench::time_against(binary, "/tmp/auto_ar2.cmd", "/tmp/auto_read.cmd", passes, "AUTO AR(2)",
                        "/tmp/tarvex_auto.out");
    return 0;
}
