// Benchmark: STATS of K variables of N observations with PCOR and PMEDIAN, and FCAST of N
// observations from an OLS fit of y on K regressors and a constant. The variables are built
// directly in the work area and the OLS fit is not timed: each figure is the processor time of
// the one command, best of R runs. With --print the reports go to standard output instead of
// /dev/null, so that two builds can be compared line for line.
// Run by hand: build/bench/bench_stats_fcast [N] [K] [R] [--print] [--stats | --fcast] (the last
// two run one of the commands only, for profiling).
#include "core/command_table.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "interp/command_handlers.hpp"
#include "interp/reader.hpp"
#include "interp/scanner.hpp"
#include "interp/set_display.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>

namespace {

using tarvex::Real;

double clock_seconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}
double cpu_seconds() {
    return clock_seconds(CLOCK_PROCESS_CPUTIME_ID);
}
double wall_seconds() {
    return clock_seconds(CLOCK_MONOTONIC);
}

// A run with default switches, report lines going to `out`, and a work area of `words`.
struct Engine {
    double wall = 0; // elapsed time of the last statement (both threads of a split count once)
    std::unique_ptr<tarvex::Run> owner = std::make_unique<tarvex::Run>();
    tarvex::Run& run = *owner;

    Engine(long long words, std::FILE* out) {
        run.MOS = tarvex::MODE_CONSOLE;
        run.streams.out = out;
        tarvex::attach_unit(run, run.L6, out);
        run.ws.XMISS = -99999;
        if (!tarvex::allocate_workspace(run.ws, 200, words, 16)) std::abort();
        tarvex::reset_workspace(run.ws);
        tarvex::reset_result_scalars(run.res, run.ws.XMISS);
        tarvex::default_switches(run.sw);
        tarvex::init_scan_block(run.scan, 200);
        tarvex::reset_sample(run.smpl);
    }

    void data(const std::string& name, long long n, std::mt19937_64& rng, long long spread) {
        int ref = 0;
        tarvex::NEWVAR(run, name, 1, tarvex::TYPE_DATA, n, 1, ref);
        tarvex::VarInfo info;
        if (ref <= 0 || !tarvex::VINFO(run, ref, info)) std::abort();
        for (long long t = 1; t <= n; ++t)
            tarvex::element(run, info, t) = Real((long long)(rng() % spread)) / 1024 - 900;
    }

    void sample(int n) {
        run.smpl.IBEG = 1;
        run.smpl.IEND = n;
        run.smpl.NOBS = n;
        run.smpl.MAXOB = std::max(run.smpl.MAXOB, n);
    }

    // Runs one statement as the dispatcher would; returns its processor time.
    double statement(const std::string& text) {
        const std::size_t blank = text.find(' ');
        run.cmd.text = text;
        run.cmd.col = int(blank == std::string::npos ? text.size() : blank);
        run.cmd.IKOD = tarvex::match_command(text.substr(0, blank), false);
        run.flags = tarvex::RunFlags{};
        run.flags.OTNUM = true;
        run.flags.OPUT = true;
        const double start = cpu_seconds(), wall_start = wall_seconds();
        tarvex::SCANIT(run);
        if (!run.flags.OERR && !run.flags.ODONT)
            tarvex::COMMAND_ROWS[run.cmd.IKOD - 1].handler(run);
        std::fflush(run.streams.out);
        wall = wall_seconds() - wall_start;
        return cpu_seconds() - start;
    }
};

// Best processor time of `repeats` runs; `best_wall` gets the best elapsed time.
double best_of(Engine& e, const std::string& text, int repeats, double& best_wall) {
    double best = 1e30;
    best_wall = 1e30;
    for (int r = 0; r < repeats; ++r) {
        best = std::min(best, e.statement(text));
        best_wall = std::min(best_wall, e.wall);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    long long n = 1000000;
    int k = 10, repeats = 3;
    bool print = false, stats_only = false, fcast_only = false;
    int position = 0;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--print") == 0 || std::strcmp(argv[a], "--stats") == 0 ||
            std::strcmp(argv[a], "--fcast") == 0) {
            print = print || argv[a][2] == 'p';
            stats_only = stats_only || argv[a][2] == 's';
            fcast_only = fcast_only || argv[a][2] == 'f';
            continue;
        }
        const long long v = std::atoll(argv[a]);
        if (position == 0) n = v;
        if (position == 1) k = int(v);
        if (position == 2) repeats = int(v);
        ++position;
    }
    std::FILE* out = print ? stdout : std::fopen("/dev/null", "w");
    // K+1 series and the OLS work area (the data matrix and its copies) with room to spare.
    Engine e((long long)(k + 1) * n * 4 + 1000000, out);
    std::mt19937_64 rng(12345);
    std::string list, regressors;
    for (int j = 1; j <= k; ++j) {
        const std::string name = "X" + std::to_string(j);
        e.data(name, n, rng, 2000000);
        list += " " + name;
    }
    e.sample(int(n));

    double stats_wall = 0, fcast_wall = 0;
    const double stats =
        fcast_only ? 0 : best_of(e, "STATS" + list + " / PCOR PMEDIAN", repeats, stats_wall);
    if (stats_only) {
        std::fprintf(stderr,
                     "STATS of %d variables x %lld observations / PCOR PMEDIAN: %.3f s"
                     " (elapsed %.3f s)\n",
                     k, n, stats, stats_wall);
        return 0;
    }

    // y = sum j*x_j + 5 + noise, so the fit is good but not perfect.
    e.data("Y", n, rng, 4096);
    {
        tarvex::VarInfo y, x;
        tarvex::VINFO(e.run, tarvex::VFIND(e.run, "Y"), y);
        for (int j = 1; j <= k; ++j) {
            tarvex::VINFO(e.run, tarvex::VFIND(e.run, "X" + std::to_string(j)), x);
            for (long long t = 1; t <= n; ++t)
                tarvex::element(e.run, y, t) += Real(j) * tarvex::element(e.run, x, t);
        }
        for (long long t = 1; t <= n; ++t) tarvex::element(e.run, y, t) += 5;
    }
    const double ols = e.statement("OLS Y" + list);
    const double fcast = best_of(e, "FCAST / PREDICT=P FCSE=S", repeats, fcast_wall);

    std::fprintf(stderr,
                 "STATS of %d variables x %lld observations / PCOR PMEDIAN: %.3f s"
                 " (elapsed %.3f s)\n",
                 k, n, stats, stats_wall);
    std::fprintf(stderr,
                 "FCAST of %lld observations, %d regressors and a constant: %.3f s"
                 " (elapsed %.3f s; the OLS fit before it, not counted: %.3f s)\n",
                 n, k, fcast, fcast_wall, ols);
    std::fprintf(stderr, "processor time (elapsed time in brackets), best of %d runs\n", repeats);
    return 0;
}
