// Benchmark: READ of a whitespace-separated file of 1,000,000 rows x 11 columns (time and peak
// memory of the whole run), and the decimal reader against strtoflt128 on random strings
// (halfway cases, 19/20 digits, exponent limits, subnormals). Run by hand:
// build/bench/bench_read [rows] [strings].
#include "interp/script_run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/decimal_fast.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <quadmath.h>
#include <random>
#include <string>
#include <sys/resource.h>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void write_data_file(const char* path, long rows) {
    std::FILE* f = std::fopen(path, "w");
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    char line[512];
    for (long r = 0; r < rows; ++r) {
        int n = 0;
        for (int c = 0; c < 11; ++c)
            n += std::snprintf(line + n, sizeof line - n, c ? " %.9g" : "%.9g", u(gen));
        line[n++] = '\n';
        std::fwrite(line, 1, n, f);
    }
    std::fclose(f);
}

// A random decimal string of one of several shapes.
std::string random_number(std::mt19937_64& gen) {
    char buf[128];
    const unsigned shape = gen() % 8;
    const unsigned long long m = gen();
    switch (shape) {
    case 6:
        std::snprintf(buf, sizeof buf, "%.9g", std::ldexp(double(m >> 11), int(gen() % 40) - 60));
        break;
    case 7:
        std::snprintf(buf, sizeof buf, "-%llu.%06llu", m % 100000,
                      (unsigned long long)(gen() % 1000000));
        break;
    case 0:
        std::snprintf(buf, sizeof buf, "%.17e",
                      std::ldexp(double(m >> 11), int(gen() % 200) - 100));
        break;
    case 1:
        std::snprintf(buf, sizeof buf, "%llu", m % 10000000000000000000ULL);
        break; // 19 digits
    case 2:
        std::snprintf(buf, sizeof buf, "%llu%llu", m, (unsigned long long)(gen() % 100));
        break; // 20+ digits
    case 3:
        std::snprintf(buf, sizeof buf, "%llu.%lluE%d", m % 1000,
                      (unsigned long long)(gen() % 1000000), int(gen() % 9860) - 4930);
        break;
    case 4:
        std::snprintf(buf, sizeof buf, "%llue-49%02d", m % 100000, int(gen() % 70));
        break; // subnormals
    default: {
        // A halfway case: 113-bit significand plus one half ulp, printed exactly.
        __float128 x = __float128((m | 1ULL << 63) >> 1) * 1099511627776.0Q * 131072.0Q +
                       __float128(gen() % 131072) + 0.5Q;
        quadmath_snprintf(buf, sizeof buf, "%.40Qg", x);
        break;
    }
    }
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long strings = argc > 2 ? std::atol(argv[2]) : 2000000;
    const char* data = "/tmp/tarvex_bench_read.dat";
    write_data_file(data, rows);

    std::string script =
        "PAR 250000\nREAD (" + std::string(data) + ") X1 X2 X3 X4 X5 X6 X7 X8 X9 X10 X11\nSTOP\n";
    std::FILE* in = fmemopen(script.data(), script.size(), "r");
    std::FILE* out = std::fopen("/dev/null", "w");
    auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    tarvex::run_script_streams(in, out);
    const double read_seconds = seconds_since(start);
    const double read_cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    std::fclose(in);
    std::fclose(out);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("READ of %ld rows x 11 columns: %.3f s wall, %.3f s processor time, peak memory "
                "%.1f MB\n",
                rows, read_seconds, read_cpu, usage.ru_maxrss / 1024.0);
    std::remove(data);

    std::mt19937_64 gen(7);
    long mismatches = 0;
    start = std::chrono::steady_clock::now();
    for (long k = 0; k < strings; ++k) {
        const std::string s = random_number(gen);
        __float128 ours = 0;
        const bool ok = tarvex::parse_real_field_quick(s, ours);
        const __float128 ref = strtoflt128(s.c_str(), nullptr);
        if (!ok || std::memcmp(&ours, &ref, sizeof ours) != 0) {
            if (++mismatches <= 10) std::printf("mismatch: %s\n", s.c_str());
        }
    }
    std::printf("decimal reader vs strtoflt128: %ld strings, %ld mismatches, %.3f s\n", strings,
                mismatches, seconds_since(start));
    return mismatches == 0 ? 0 : 1;
}
