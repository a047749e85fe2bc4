// Timing of whole programs run as children: wall time, processor time (user + system, from
// wait4) and peak resident memory, and the best and median of repeated runs.
#pragma once

#include "script_timing.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

// Writes `text` to `path`; false when it cannot be written whole.
inline bool write_text(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return false;
    const bool ok = std::fputs(text.c_str(), f) >= 0;
    return std::fclose(f) == 0 && ok;
}

struct Measure {
    double wall = 0, cpu = 0, peak_mb = 0;
};

// Runs argv with standard output to `out`, and returns what wait4 says of it.
inline bool run_child(const std::vector<std::string>& args, const std::string& out, Measure& m) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const double start = wall_seconds();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        if (std::freopen(out.c_str(), "w", stdout) == nullptr) _exit(126);
        setenv("TARVEX_SETTINGS", "/dev/null", 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return false;
    m.wall = wall_seconds() - start;
    m.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec * 1e-6;
    m.peak_mb = usage.ru_maxrss / 1024.0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Prints the best and median of the runs; returns the medians.
inline Measure summary(const char* name, const std::vector<Measure>& runs) {
    std::vector<double> wall, cpu, peak;
    for (const Measure& m : runs) {
        wall.push_back(m.wall);
        cpu.push_back(m.cpu);
        peak.push_back(m.peak_mb);
    }
    std::printf("%-7s wall best %6.3f s median %6.3f s | cpu best %6.3f s median %6.3f s | "
                "peak %7.1f MB\n",
                name, *std::min_element(wall.begin(), wall.end()), median(wall),
                *std::min_element(cpu.begin(), cpu.end()), median(cpu),
                *std::max_element(peak.begin(), peak.end()));
    return {median(wall), median(cpu), median(peak)};
}

// Whether the text file `path` holds `text` on one of its lines.
inline bool file_contains(const std::string& path, const char* text) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return false;
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f) != nullptr) found = std::strstr(line, text);
    std::fclose(f);
    return found;
}

// Runs the script `with` and the script `without` (the same run less the work measured, e.g.
// its READ alone) `passes` times each, alternately, prints the best and median of each and the
// work alone (the difference of the medians). `out` keeps the transcript of the last `with` run;
// when `expect` is given, a transcript without that text is a failed run (an estimation that
// stopped early would time nothing). False when a run failed.
inline bool time_against(const std::string& binary, const std::string& with,
                         const std::string& without, int passes, const char* name,
                         const std::string& out, const char* expect = nullptr) {
    std::vector<Measure> a_runs, b_runs;
    std::fflush(stdout); // the children must not inherit what is still buffered
    for (int p = 0; p < passes; ++p) {
        Measure a, b;
        if (!run_child({binary, with}, out, a) || !run_child({binary, without}, "/dev/null", b) ||
            (expect != nullptr && !file_contains(out, expect))) {
            std::printf("%s: the run failed (see %s)\n", name, out.c_str());
            return false;
        }
        a_runs.push_back(a);
        b_runs.push_back(b);
    }
    const Measure all = summary(name, a_runs);
    const Measure read = summary("  READ", b_runs);
    std::printf("  %s alone: wall %.3f s, cpu %.3f s (medians)\n", name, all.wall - read.wall,
                all.cpu - read.cpu);
    return true;
}

} // namespace bench
