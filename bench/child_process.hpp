// Timing of whole programs run as children: wall time, processor time (user + system, from
// wait4) and peak resident memory, and the best and median of repeated runs.
#pragma once

#include "script_timing.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

} // namespace bench
