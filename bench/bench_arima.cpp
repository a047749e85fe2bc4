// Benchmark: the whole process of ARIMA(2,1,2) by exact maximum likelihood on 100,000
// observations (a simulated series), less the same run without it (the READ), best and median of
// the passes. Target: under 5 s.
// Run by hand: build/bench/bench_arima [passes]
#include "child_process.hpp"
#include "script_timing.hpp"

#include <random>

namespace {

// y with (1 - 0.5B + 0.3B**2)(1 - B) y_t = (1 + 0.4B + 0.2B**2) e_t, e standard normal.
bool write_arima_data(const std::string& path, long rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(17);
    std::normal_distribution<double> normal(0.0, 1.0);
    double w1 = 0, w2 = 0, e1 = 0, e2 = 0, y = 100;
    bool ok = true;
    char line[64];
    for (long r = 0; r < rows + 200 && ok; ++r) {
        const double e = normal(gen);
        const double w = 0.5 * w1 - 0.3 * w2 + e + 0.4 * e1 + 0.2 * e2;
        w2 = w1, w1 = w, e2 = e1, e1 = e;
        y += w;
        if (r < 200) continue; // the burn-in
        const int n = std::snprintf(line, sizeof line, "%.6f\n", y);
        ok = std::fwrite(line, 1, n, f) == static_cast<std::size_t>(n);
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string binary = bench::tarvex_binary(argv[0]);
    const std::string data = "/tmp/tarvex_arima_1e5.txt";
    const std::string read = "PAR 20000\nSAMPLE 1 100000\nREAD ('" + data + "') Y\n";
    if (!write_arima_data(data, 100000) ||
        !bench::write_text("/tmp/ar_arima.cmd",
                           read + "ARIMA Y / NAR=2 NDIFF=1 NMA=2 HORIZON=10\nSTOP\n") ||
        !bench::write_text("/tmp/ar_read.cmd", read + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    return bench::time_against(binary, "/tmp/ar_arima.cmd", "/tmp/ar_read.cmd", passes, "ARIMA",
                               "/tmp/tarvex_arima.out", "LOG OF THE LIKELIHOOD")
               ? 0
               : 1;
}
