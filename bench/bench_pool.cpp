// Benchmark: the whole process of POOL with fixed effects and with random effects on a panel of
// 10,000 cross-sections of 20 periods (200,000 observations) with 5 regressors. Each figure is
// the run with the estimation less the same run without it (the READ), best and median of the
// passes. Target: under 3 s each.
// Run by hand: build/bench/bench_pool [passes]
#include "child_process.hpp"
#include "script_timing.hpp"

#include <random>

namespace {

constexpr long CROSS_SECTIONS = 10000;
constexpr long PERIODS = 20;

// Columns ID, Y, X1 .. X5: y = 1 + sum (j/5) xj + a_i + e with the effect a_i correlated with X1.
bool write_panel_data(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(29);
    std::normal_distribution<double> normal(0.0, 1.0);
    bool ok = true;
    char line[512];
    for (long i = 0; i < CROSS_SECTIONS && ok; ++i) {
        const double a = normal(gen);
        for (long t = 0; t < PERIODS && ok; ++t) {
            double x[5], y = 1 + a + normal(gen);
            for (int j = 0; j < 5; ++j) {
                x[j] = normal(gen) + (j == 0 ? 0.5 * a : 0.0);
                y += (j + 1) / 5.0 * x[j];
            }
            int n = std::snprintf(line, sizeof line, "%ld %.6f", i + 1, y);
            for (double v : x) n += std::snprintf(line + n, sizeof line - n, " %.6f", v);
            line[n++] = '\n';
            ok = std::fwrite(line, 1, n, f) == static_cast<std::size_t>(n);
        }
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string binary = bench::tarvex_binary(argv[0]);
    const std::string data = "/tmp/tarvex_pool_2e5.txt";
    const std::string read =
        "PAR 40000\nSAMPLE 1 200000\nREAD ('" + data + "') ID Y X1 X2 X3 X4 X5\n";
    const std::string pool = "POOL Y X1 X2 X3 X4 X5 / NCROSS=10000";
    if (!write_panel_data(data) ||
        !bench::write_text("/tmp/pool_fixed.cmd", read + pool + " FIXED\nSTOP\n") ||
        !bench::write_text("/tmp/pool_random.cmd", read + pool + " RANDOM\nSTOP\n") ||
        !bench::write_text("/tmp/pool_read.cmd", read + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    bench::time_against(binary, "/tmp/pool_fixed.cmd", "/tmp/pool_read.cmd", passes, "POOL / FIXED",
                        "/tmp/tarvex_pool.out");
    bench::time_against(binary, "/tmp/pool_random.cmd", "/tmp/pool_read.cmd", passes,
                        "POOL / RANDOM", "/tmp/tarvex_pool.out");
    return 0;
}
