// Benchmark: GENR Y = 2*X + LOG(Z) - LAG(X)**2 over 1,000,000 observations, a chain of 20
// such statements over 100,000 observations, and the random draws GENR X = NOR(1) and
// GENR Z = UNI(1) over 1,000,000 observations. Each figure is the time of the script with the
// statements minus the time of the same script without them (data generation and start-up).
// Run by hand: build/bench/bench_genr [observations] [chain observations].
#include "interp/script_run.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double run_seconds(const std::string& script) {
    std::FILE* in = fmemopen(const_cast<char*>(script.data()), script.size(), "r");
    std::FILE* out = std::fopen("/dev/null", "w");
    const auto start = std::chrono::steady_clock::now();
    tarvex::run_script_streams(in, out);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(in);
    std::fclose(out);
    return seconds;
}

std::string setup(long n) {
    // Enough work area for the series: PAR is in kilobytes of 16-byte words.
    return "PAR 200000\nSET NOECHO\nSAMPLE 1 " + std::to_string(n) +
           "\nGENR X = NOR(1)\nGENR Z = UNI(1) + 0.5\n";
}

double timed(const std::string& base, const std::string& statements) {
    double best_with = 1e9, best_without = 1e9;
    for (int k = 0; k < 3; ++k) {
        best_without = std::min(best_without, run_seconds(base + "STOP\n"));
        best_with = std::min(best_with, run_seconds(base + statements + "STOP\n"));
    }
    return best_with - best_without;
}

} // namespace

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long chain_n = argc > 2 ? std::atol(argv[2]) : 100000;
    const std::string statement = "GENR Y = 2*X + LOG(Z) - LAG(X)**2\n";
    const double one = timed(setup(n), statement);
    std::printf("GENR Y = 2*X + LOG(Z) - LAG(X)**2, %ld observations: %.3f s\n", n, one);
    std::string chain;
    for (int k = 1; k <= 20; ++k)
        chain += "GENR Y" + std::to_string(k) + " = 2*X + LOG(Z) - LAG(X)**2\n";
    const double twenty = timed(setup(chain_n), chain);
    std::printf("20 such statements, %ld observations: %.3f s\n", chain_n, twenty);
    const std::string bare = "PAR 200000\nSET NOECHO\nSAMPLE 1 " + std::to_string(n) + "\n";
    const double normal = timed(bare, "GENR X = NOR(1)\n");
    std::printf("GENR X = NOR(1), %ld observations: %.3f s\n", n, normal);
    const double uniform = timed(bare, "GENR Z = UNI(1)\n");
    std::printf("GENR Z = UNI(1), %ld observations: %.3f s\n", n, uniform);
    return 0;
}
