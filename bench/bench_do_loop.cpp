// Benchmark: DO loops of 10,000 passes replayed from the loop file, and the same loops run as
// procedure levels under SET OLDDO. Two bodies: three statements that only take the marker
// (SET, TITLE and SET), and a GENR body over a 20-observation sample whose expression takes the
// index (GENR Y = X * # + LOG(#)). Run by hand:
// build/bench/bench_do_loop [passes].
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
    const std::string loop = "DO # = 1," + std::to_string(passes) + "\n";
    struct Body {
        const char* what;
        std::string setup;
        std::string statements;
        int count;
    };
    const Body bodies[] = {
        {"SET/TITLE/SET", "", "SET WARN\nTITLE PASS # OF THE LOOP\nSET NOWARN\n", 3},
        {"GENR", "SET NOWARN\nSAMPLE 1 20\nGENR X = TIME(0)\n", "GENR Y = X * # + LOG(#)\n", 1},
    };
    for (const Body& body : bodies) {
        for (const char* mode : {"", "SET OLDDO\n"}) {
            const std::string script = std::string("SET NOECHO\n") + body.setup + mode + loop +
                                       body.statements + "ENDO\nSTOP\n";
            const double seconds = seconds_for(script);
            std::printf("%-14s %-15s %ld passes in %.3f s (%.0f ns per statement)\n", body.what,
                        *mode ? "procedure loop" : "file loop", passes, seconds,
                        seconds * 1e9 / (double(body.count) * double(passes)));
        }
    }
    return 0;
}
