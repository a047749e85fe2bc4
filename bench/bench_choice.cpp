// Benchmark: the whole process of LOGIT and PROBIT with 10 regressors and an intercept on
// 1,000,000 observations, and of TOBIT with the same regressors on 100,000. Each figure is the
// run with the estimation less the same run without it (the READ), best and median of the
// passes. Targets: under 5 s for LOGIT and PROBIT, under 3 s for TOBIT.
// Run by hand: build/bench/bench_choice [passes]
#include "child_process.hpp"
#include "script_timing.hpp"

#include <cmath>
#include <random>

namespace {

// Columns YB (0/1 from a logistic latent index), YT (that index with normal noise, censored at
// 0) and X1 .. X10 standard normal.
bool write_choice_data(const std::string& path, long rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(11);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(1e-12, 1.0 - 1e-12);
    bool ok = true;
    char line[512];
    for (long r = 0; r < rows && ok; ++r) {
        double x[10], index = 0.2;
        for (int j = 0; j < 10; ++j) {
            x[j] = normal(gen);
            index += (j % 2 == 0 ? 0.3 : -0.2) * x[j];
        }
        const double u = uniform(gen);
        const int yb = index + std::log(u / (1 - u)) > 0;
        const double yt = std::max(0.0, index + normal(gen));
        int n = std::snprintf(line, sizeof line, "%d %.6f", yb, yt);
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
    const std::string big = "/tmp/tarvex_choice_1e6.txt", small = "/tmp/tarvex_choice_1e5.txt";
    const std::string vars = " YB YT X1 X2 X3 X4 X5 X6 X7 X8 X9 X10\n";
    const std::string read_big = "PAR 200000\nSAMPLE 1 1000000\nREAD ('" + big + "')" + vars;
    const std::string read_small = "PAR 20000\nSAMPLE 1 100000\nREAD ('" + small + "')" + vars;
    const std::string regressors = " X1 X2 X3 X4 X5 X6 X7 X8 X9 X10\n";
    if (!write_choice_data(big, 1000000) || !write_choice_data(small, 100000) ||
        !bench::write_text("/tmp/ch_logit.cmd", read_big + "LOGIT YB" + regressors + "STOP\n") ||
        !bench::write_text("/tmp/ch_probit.cmd", read_big + "PROBIT YB" + regressors + "STOP\n") ||
        !bench::write_text("/tmp/ch_big0.cmd", read_big + "STOP\n") ||
        !bench::write_text("/tmp/ch_tobit.cmd", read_small + "TOBIT YT" + regressors + "STOP\n") ||
        !bench::write_text("/tmp/ch_small0.cmd", read_small + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    bench::time_against(binary, "/tmp/ch_logit.cmd", "/tmp/ch_big0.cmd", passes, "LOGIT",
                        "/tmp/tarvex_choice.out");
    bench::time_against(binary, "/tmp/ch_probit.cmd", "/tmp/ch_big0.cmd", passes, "PROBIT",
                        "/tmp/tarvex_choice.out");
    bench::time_against(binary, "/tmp/ch_tobit.cmd", "/tmp/ch_small0.cmd", passes, "TOBIT",
                        "/tmp/tarvex_choice.out");
    return 0;
}
