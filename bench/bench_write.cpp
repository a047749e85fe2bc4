// Benchmark: WRITE of 1,000,000 observations x 11 variables as TARVBIN blocks (and, for
// comparison, as TARVDATA text and as a comma-delimited file). The variables are built directly
// in the work area, so only the WRITE command itself is timed. Run by hand:
// build/bench/bench_write [rows] [directory].
#include "core/command_table.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "interp/scanner.hpp"
#include "io/print_write.hpp"
#include "workspace/workspace.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/stat.h>

using namespace tarvex;

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void statement(Run& run, const std::string& text) {
    run.cmd.IKOD = C_WRITE;
    run.cmd.text = text;
    run.cmd.col = 5;
    run.flags = RunFlags{};
    run.flags.OTNUM = true;
    SCANIT(run);
    if (!run.flags.ODONT) WRITEX(run);
}

long long file_size(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

} // namespace

int main(int argc, char** argv) {
    const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    Run run;
    run.MOS = MODE_CONSOLE;
    attach_unit(run, run.L6, stdout);
    if (!allocate_workspace(run.ws, 100, 12 * (rows + 4) + 1000, 16)) return 1;
    reset_workspace(run.ws);
    reset_result_scalars(run.res, run.ws.XMISS);
    std::mt19937_64 gen(7);
    std::string names;
    for (int v = 1; v <= 11; ++v) {
        const std::string name = "V" + std::to_string(v);
        int ref = 0;
        NEWVAR(run, name, 1, TYPE_DATA, rows, 1, ref);
        VarInfo info;
        VINFO(run, ref, info);
        for (long long k = 1; k <= rows; ++k)
            element(run, info, k) = Real(static_cast<long long>(gen() % 2000001) - 1000000) / 1000;
        names += " " + name;
    }
    struct Case {
        const char* label;
        const char* file;
        const char* options;
    };
    const Case cases[] = {
        {"TARVBIN ", "bench_write.bin", "TARVEX BINARY"},
        {"TARVDATA", "bench_write.dat", "TARVEX"},
        {"COMMA   ", "bench_write.csv", "FORMAT=COMMA"},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/" + c.file;
        double best = 1e9;
        for (int pass = 0; pass < 3; ++pass) {
            const auto start = std::chrono::steady_clock::now();
            statement(run, "WRITE(" + path + ")" + names + " / " + c.options);
            best = std::min(best, seconds_since(start));
        }
        std::printf("%s %lld x 11 values: best of 3 %.3f s, %lld bytes\n", c.label, rows, best,
                    file_size(path));
        std::fflush(stdout);
        std::remove(path.c_str());
    }
    return 0;
}
