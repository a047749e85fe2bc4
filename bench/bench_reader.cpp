// Benchmark: reading and dispatching a command file of 1,000,000 SET, DISPLAY, NAMES and comment
// statements (the reader must never be the bottleneck). Run by hand: build/bench/bench_reader [n].
#include "interp/script_run.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const long statements = argc > 1 ? std::atol(argv[1]) : 1000000;
    const char* path = "/tmp/tarvex_bench_reader.tvx";
    std::FILE* script = std::fopen(path, "w");
    if (!script) return 1;
    std::fputs("SET NOECHO\n", script);
    const char* cycle[] = {"SET WARN", "DISPLAY LONG", "NAMES", "* a comment line", "SET NOWARN"};
    for (long k = 0; k < statements; ++k) std::fprintf(script, "%s\n", cycle[k % 5]);
    std::fputs("STOP\n", script);
    std::fclose(script);

    std::FILE* in = std::fopen(path, "r");
    std::FILE* out = std::fopen("/dev/null", "w");
    auto start = std::chrono::steady_clock::now();
    tarvex::run_script_streams(in, out);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(in);
    std::fclose(out);
    std::printf("%ld statements read and dispatched in %.3f s (%.0f ns per statement)\n",
                statements, seconds, seconds * 1e9 / statements);
    std::remove(path);
    return 0;
}
