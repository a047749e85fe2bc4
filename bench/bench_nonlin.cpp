// Benchmark: the whole process of NLINEAR on 1,000,000 observations of a 4-parameter
// exponential model, y = b1 + b2*exp(-b3*x) + b4*x + noise, and of MLE of a normal linear model
// with 10 regressors (12 parameters) on 100,000 observations. Each figure is the run with the
// estimation less the same run without it (the READ), best and median of the passes.
// Run by hand: build/bench/bench_nonlin [passes] [method]  (method: the MLE METHOD=, NEWTON)
#include "child_process.hpp"
#include "script_timing.hpp"

#include <cmath>
#include <random>

namespace {

bool write_exponential_data(const std::string& path, long rows) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> u(0.0, 10.0);
    std::normal_distribution<double> noise(0.0, 0.1);
    bool ok = true;
    for (long r = 0; r < rows && ok; ++r) {
        const double x = u(gen);
        const double y = 2 + 3 * std::exp(-0.7 * x) + 0.5 * x + noise(gen);
        ok = std::fprintf(f, "%.9g %.9g\n", y, x) > 0;
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string method = argc > 2 ? argv[2] : "NEWTON";
    const std::string binary = bench::tarvex_binary(argv[0]);
    const std::string exp_data = "/tmp/tarvex_nonlin_exp.txt", lin_data = "/tmp/tarvex_mle.txt";
    const std::string read_exp = "PAR 40000\nSAMPLE 1 1000000\nREAD ('" + exp_data + "') Y X\n";
    const std::string read_lin = "PAR 30000\nREAD ('" + lin_data + "') / NAMES\n";
    const std::string nlinear = "NLINEAR\nCOEF B1 1 B2 1 B3 1 B4 1\n"
                                "EQ Y = B1 + B2*EXP(-B3*X) + B4*X\nEND\n";
    std::string mle = "MLE / METHOD=" + method + "\nCOEF A 0";
    std::string eq = "EQ -0.5*LOG(2*3.14159265358979323846*S2) - (Y-A";
    for (int j = 1; j <= 10; ++j) {
        mle += " B" + std::to_string(j) + " 0";
        eq += "-B" + std::to_string(j) + "*X" + std::to_string(j);
        if (j == 5) eq += "&\n";
    }
    mle += " S2 1000000\n" + eq + ")**2/(2*S2)\nEND\n";
    if (!write_exponential_data(exp_data, 1000000) ||
        !bench::write_data_file(lin_data, 100000, true) ||
        !bench::write_text("/tmp/nl_exp.cmd", read_exp + nlinear + "STOP\n") ||
        !bench::write_text("/tmp/nl_exp0.cmd", read_exp + "STOP\n") ||
        !bench::write_text("/tmp/nl_mle.cmd", read_lin + mle + "STOP\n") ||
        !bench::write_text("/tmp/nl_mle0.cmd", read_lin + "STOP\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    bench::time_against(binary, "/tmp/nl_exp.cmd", "/tmp/nl_exp0.cmd", passes, "NLINEAR",
                        "/tmp/tarvex_nonlin.out");
    bench::time_against(binary, "/tmp/nl_mle.cmd", "/tmp/nl_mle0.cmd", passes, "MLE",
                        "/tmp/tarvex_nonlin.out");
    return 0;
}
