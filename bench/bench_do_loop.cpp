// Benchmark: a DO loop of 10,000 passes around three statements (SET, TITLE and SET, each with
// the loop marker to replace), replayed from the loop file; and the same loop run as procedure
// levels under SET OLDDO. Run by hand: build/bench/bench_do_loop [passes].
#include "interp/script_run.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double seconds_for(const std::string& script) {
    std::FILE* out = std::fopen("/dev/null", "w");
    std::string input = script;
    std::FILE* in = fmemopen(input.data(), input.size(), "r");
    auto start = std::chrono::steady_clock::now();
    tarvex::run_script_streams(in, out);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(in);
    std::fclose(out);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const long passes = argc > 1 ? std::atol(argv[1]) : 10000;
    const std::string body = "DO # = 1," + std::to_string(passes) +
                             "\nSET WARN\nTITLE PASS # OF THE LOOP\nSET NOWARN\nENDO\nSTOP\n";
    for (const char* mode : {"", "SET OLDDO\n"}) {
        double seconds = seconds_for(std::string("SET NOECHO\n") + mode + body);
        std::printf("%s: %ld passes of 3 statements in %.3f s (%.0f ns per statement)\n",
                    *mode ? "procedure loop" : "file loop", passes, seconds,
                    seconds * 1e9 / (3.0 * passes));
    }
    return 0;
}
