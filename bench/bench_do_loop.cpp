// Benchmark: DO loops of 10,000 passes replayed from the loop file, and the same loops run as
// procedure levels under SET OLDDO. Three bodies: three statements that only take the marker
// (SET, TITLE and SET), a GENR body over a 20-observation sample whose expression takes the
// index (GENR Y = X * # + LOG(#)), and three GENR statements over 100 observations. Run by hand:
// build/bench/bench_do_loop [passes]. Processor time, so that a busy machine disturbs the figures
// less.
#include "script_timing.hpp"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double seconds_for(const std::string& script) {
    return bench::script_cpu_seconds(script);
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
        {"3 GENR x 100", "SET NOWARN\nSAMPLE 1 100\nGENR X = TIME(0)\n",
         "GENR Y = X * # + LOG(#)\nGENR Z = Y / X - SQRT(#)\nGENR W = Z * Z + LAG(Y)\n", 3},
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
