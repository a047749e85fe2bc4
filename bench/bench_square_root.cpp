// Benchmark: the square root on integer significands against the libquadmath routine, over 4096
// random positive normal values with exponents spread over the whole range, each root's bits
// folded into a checksum so that no call can be dropped. Processor time, best of five passes.
// Run by hand: build/bench/bench_square_root [passes over the values, default 500].
#include "bench/bench_clock.hpp"
#include "numeric/square_root.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace {

using bench::bits_of;
using bench::cpu_seconds;

using tarvex::Real;
using u128 = unsigned __int128;

template <class Root>
double nanoseconds_per_call(const std::vector<Real>& values, int passes, Root root,
                            u128& checksum) {
    double best = 1e300;
    for (int trial = 0; trial < 5; ++trial) {
        const double start = cpu_seconds();
        for (int pass = 0; pass < passes; ++pass)
            for (Real v : values) checksum += bits_of(root(v));
        best = std::min(best, cpu_seconds() - start);
    }
    return best * 1e9 / (double(passes) * double(values.size()));
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 500;
    std::mt19937_64 gen(20261206);
    std::vector<Real> values(4096);
    for (Real& v : values) {
        const u128 fraction = ((u128(gen()) << 64) | gen()) & ((u128(1) << 112) - 1);
        const u128 field = 1 + gen() % 0x7ffe;
        v = 0;
        const u128 bits = (field << 112) | fraction;
        std::memcpy(&v, &bits, sizeof v);
    }
    u128 library = 0, integer = 0;
    const double library_ns = nanoseconds_per_call(
        values, passes, [](Real v) { return sqrtq(v); }, library);
    const double integer_ns = nanoseconds_per_call(
        values, passes, [](Real v) { return tarvex::square_root(v); }, integer);
    std::printf("sqrtq        %7.1f ns per call\n", library_ns);
    std::printf("square_root  %7.1f ns per call\n", integer_ns);
    std::printf("checksums    %016llx %016llx\n", static_cast<unsigned long long>(library),
                static_cast<unsigned long long>(integer));
    return 0;
}
