// Benchmark: the integer-arithmetic exponential (its short path first, and the 192-bit routine
// alone) against libquadmath's expq, over 4096 random arguments uniform on [-50, 50] (the range
// model equations evaluate), each result's bits folded into a checksum so that no call can be
// dropped. Processor time, best of five passes.
// Run by hand: build/bench/bench_exp [passes over the values, default 200].
#include "bench/bench_clock.hpp"
#include "numeric/fast_exp.hpp"

#include <algorithm>
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

template <class Exp>
double nanoseconds_per_call(const std::vector<Real>& values, int passes, Exp exp, u128& checksum) {
    double best = 1e300;
    for (int trial = 0; trial < 5; ++trial) {
        const double start = cpu_seconds();
        for (int pass = 0; pass < passes; ++pass)
            for (Real v : values) checksum += bits_of(exp(v));
        best = std::min(best, cpu_seconds() - start);
    }
    return best * 1e9 / (double(passes) * double(values.size()));
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 200;
    std::mt19937_64 gen(20261207);
    std::vector<Real> values(4096);
    for (Real& v : values)
        v = (scalbnq(Real(gen() >> 11), -53) + scalbnq(Real(gen() >> 11), -106) - 0.5Q) * 100;
    u128 library = 0, integer = 0, wide = 0;
    const double library_ns = nanoseconds_per_call(
        values, passes, [](Real v) { return expq(v); }, library);
    const double integer_ns = nanoseconds_per_call(
        values, passes, [](Real v) { return tarvex::fast_exp(v); }, integer);
    const double wide_ns = nanoseconds_per_call(
        values, passes, [](Real v) { return tarvex::fast_exp_wide(v); }, wide);
    std::printf("expq           %7.1f ns per call\n", library_ns);
    std::printf("fast_exp       %7.1f ns per call\n", integer_ns);
    std::printf("fast_exp_wide  %7.1f ns per call\n", wide_ns);
    std::printf("same results: %s; short path and wide routine the same bits: %s\n",
                library == integer ? "yes" : "no", integer == wide ? "yes" : "no");
    return 0;
}
