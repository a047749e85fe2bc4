// Benchmark: OLS of Y on ten regressors X1..X10 plus the constant (eleven coefficients) with
// 1,000,000 observations, default report plus RSTAT (or the options given).
//  1. In process: READ of the 1,000,000 x 11 text file, then the OLS command, each timed in
//     processor time at the moment the engine asks for its next statement (the script is
//     handed over one line at a time), so the fit and report are timed after the data are read.
//  2. The whole process: build/tarvex on the same script, processor time and peak memory from
//     wait4.
// Run by hand: build/bench/bench_ols [rows] [passes] [regressors] [options]; regressors (default
// 10) is the number of X columns in the equation, so 9 gives ten coefficients with the constant;
// options (default "RSTAT") follow the slash of the OLS statement, "" for the default report.
// The report of the last pass is left in /tmp/tarvex_bench_ols.out for inspection.
#include "bench/bench_clock.hpp"
#include "interp/script_run.hpp"

#include "script_timing.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::cpu_seconds;

// The script handed to the engine one line per read, with the processor time at each hand-over.
struct LineFeed {
    std::vector<std::string> lines;
    std::size_t next = 0;
    std::vector<double> cpu_at, wall_at; // when line i was asked for
};

ssize_t feed_read(void* cookie, char* buf, size_t size) {
    LineFeed& feed = *static_cast<LineFeed*>(cookie);
    if (feed.next >= feed.lines.size()) return 0;
    feed.cpu_at.push_back(cpu_seconds());
    feed.wall_at.push_back(bench::wall_seconds());
    const std::string& line = feed.lines[feed.next++];
    const size_t n = std::min(size, line.size()); // lines are short, buf is a full stdio buffer
    std::memcpy(buf, line.data(), n);
    return static_cast<ssize_t>(n);
}

} // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int passes = argc > 2 ? std::atoi(argv[2]) : 3;
    const int regressors = argc > 3 ? std::atoi(argv[3]) : 10;
    const std::string options = argc > 4 ? argv[4] : "RSTAT";
    const char* data = "/tmp/tarvex_bench_ols.dat";
    const char* script_path = "/tmp/tarvex_bench_ols.cmd";
    const char* report_path = "/tmp/tarvex_bench_ols.out";
    if (!bench::write_data_file(data, rows, false)) {
        std::printf("cannot write %s\n", data);
        return 1;
    }
    // A work area of 200,000 kilobytes holds the 176 MB of data.
    const std::vector<std::string> script = {
        "PAR 200000\n",
        "READ (" + std::string(data) + ") Y X1 X2 X3 X4 X5 X6 X7 X8 X9 X10\n",
        "OLS Y X1-X" + std::to_string(regressors) + (options.empty() ? "" : " / " + options) + "\n",
        "STOP\n",
    };
    std::FILE* cmd = std::fopen(script_path, "w");
    for (const std::string& line : script) std::fputs(line.c_str(), cmd);
    std::fclose(cmd);

    double best_read = 1e9, best_ols = 1e9, best_ols_wall = 1e9;
    for (int pass = 0; pass < passes; ++pass) {
        LineFeed feed;
        feed.lines = script;
        cookie_io_functions_t io{feed_read, nullptr, nullptr, nullptr};
        std::FILE* in = fopencookie(&feed, "r", io);
        std::FILE* out = std::fopen(report_path, "w");
        const double start = cpu_seconds();
        tarvex::run_script_streams(in, out);
        std::fclose(in);
        std::fclose(out);
        if (feed.cpu_at.size() < 4) {
            std::printf("the engine stopped before the OLS command\n");
            return 1;
        }
        best_read = std::min(best_read, feed.cpu_at[2] - start);
        best_ols = std::min(best_ols, feed.cpu_at[3] - feed.cpu_at[2]);
        best_ols_wall = std::min(best_ols_wall, feed.wall_at[3] - feed.wall_at[2]);
    }
    std::printf("OLS on %d regressors and the constant\n", regressors);
    std::printf("in process, best of %d (processor time): start+READ %.3f s, OLS fit and report "
                "%.3f s (wall %.3f s)\n",
                passes, best_read, best_ols, best_ols_wall);

    std::fflush(stdout); // the child must not repeat what is still buffered
    const std::string binary = bench::tarvex_binary(argv[0]);
    double best_whole = 1e9, best_whole_wall = 1e9;
    long peak_kb = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const double wall_start = bench::wall_seconds();
        const pid_t child = fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            setenv("TARVEX_SETTINGS", "/dev/null", 1);
            execl(binary.c_str(), binary.c_str(), script_path, static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double wall = bench::wall_seconds() - wall_start;
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
            std::printf("could not run %s\n", binary.c_str());
            return 1;
        }
        const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 +
                           usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
        best_whole = std::min(best_whole, cpu);
        best_whole_wall = std::min(best_whole_wall, wall);
        peak_kb = std::max(peak_kb, usage.ru_maxrss);
    }
    std::printf("whole process (%s), best of %d: %.3f s processor time, wall %.3f s, peak memory "
                "%.1f MB\n",
                binary.c_str(), passes, best_whole, best_whole_wall, peak_kb / 1024.0);
    if (!std::getenv("BENCH_KEEP")) std::remove(data);
    if (!std::getenv("BENCH_KEEP")) std::remove(script_path);
    return 0;
}
