// Benchmark: the whole process of reading a 1,000,000 x 11 text file and regressing y on the
// constant and x1..x10, tarvex against gretl (gretlcli -b) on the same file, run alternately.
// For each program: wall time, processor time (user + system of the child, from wait4) and
// peak resident memory, best and median of the passes.
//   tarvex: PAR p / READ (file) / NAMES / OLS Y X1-X10 (the default report)
//   gretl:  open file / ols y const x1 ... x10
// Run by hand: build/bench/bench_vs_gretl [rows] [passes] [par]; gretlcli from PATH (or the
// GRETLCLI variable). The data file starts with a line of names, which both programs read.
#include "child_process.hpp"
#include "script_timing.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using bench::Measure;
using bench::run_child;
using bench::summary;
using bench::write_text;

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const long par = argc > 3 ? std::atol(argv[3]) : 180000;
    const char* gretl_env = std::getenv("GRETLCLI");
    const std::string gretl = gretl_env != nullptr ? gretl_env : "gretlcli";
    const std::string dir = "/tmp/tarvex_vs_gretl";
    const std::string data = dir + ".txt", tarvex_script = dir + ".cmd",
                      gretl_script = dir + ".inp";
    if (!bench::write_data_file(data, rows, true) ||
        !write_text(tarvex_script, "PAR " + std::to_string(par) + "\nREAD ('" + data +
                                       "') / NAMES\nOLS Y X1-X10\nSTOP\n") ||
        !write_text(gretl_script,
                    "open " + data + " --quiet\nols y const x1 x2 x3 x4 x5 x6 x7 x8 x9 x10\n")) {
        std::printf("could not write the files in /tmp\n");
        return 1;
    }
    const std::string binary = bench::tarvex_binary(argv[0]);
    std::vector<Measure> ours, theirs;
    for (int pass = 0; pass < passes; ++pass) {
        Measure m;
        if (!run_child({binary, tarvex_script}, dir + ".tarvex.out", m)) {
            std::printf("tarvex failed (%s); see %s.tarvex.out\n", binary.c_str(), dir.c_str());
            return 1;
        }
        ours.push_back(m);
        if (!run_child({gretl, "-b", gretl_script}, dir + ".gretl.out", m)) {
            std::printf("gretl failed (%s); see %s.gretl.out\n", gretl.c_str(), dir.c_str());
            return 1;
        }
        theirs.push_back(m);
    }
    std::printf("READ + OLS of %ld rows x 11 columns, %d passes each, alternately\n", rows, passes);
    const Measure a = summary("tarvex", ours);
    const Measure b = summary("gretl", theirs);
    std::printf("tarvex/gretl (medians): wall %.2f, cpu %.2f, peak memory %.2f\n", a.wall / b.wall,
                a.cpu / b.cpu, a.peak_mb / b.peak_mb);
    if (!std::getenv("BENCH_KEEP")) {
        std::remove(data.c_str());
        std::remove(tarvex_script.c_str());
        std::remove(gretl_script.c_str());
    }
    return 0;
}
