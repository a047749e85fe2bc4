// Benchmark: the fused multiply-subtract y - c*x, the binary128 divide, multiply and add, per call,
// over 4096 operand triples of two kinds: random normal values a few binades apart (the data of a
// model pass) and cancelling ones (y within a few units of c*x, so that the low half of the product
// decides). Each result's bits are folded into a checksum so that no call can be dropped, and
// the checksums of the integer routines are compared with the library's. Processor time, best
// of five passes. Run by hand: build/bench/bench_fma [passes, default 200]
// [only: fms|chain|axpy|rows|chains|sum|div|mul|add]
// (a single routine, for instruction counts under callgrind).
#include "bench/bench_clock.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/fast_divide.hpp"
#include "numeric/fused_axpy.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using bench::bits_of;
using bench::cpu_seconds;

using tarvex::Real;
using u128 = unsigned __int128;

Real random_operand(std::mt19937_64& gen, int spread) {
    const Real fraction = scalbnq(Real(gen() >> 1), -63) + scalbnq(Real(gen() >> 14), -113);
    const int exponent = static_cast<int>(gen() % unsigned(2 * spread + 1)) - spread;
    const Real value = scalbnq(1 + fraction / 2, exponent);
    return (gen() & 1) ? -value : value;
}

struct Triples {
    std::vector<Real> y, c, x;
};

Triples make_triples(bool cancelling) {
    std::mt19937_64 gen(cancelling ? 99 : 2024);
    Triples t;
    for (int i = 0; i < 4096; ++i) {
        const Real c = random_operand(gen, 4), x = random_operand(gen, 4);
        Real y = random_operand(gen, 6);
        if (cancelling) {
            y = c * x;
            const int nudge = static_cast<int>(gen() % 7) - 3;
            if (nudge != 0) y = nextafterq(y, nudge > 0 ? Real(1e4000Q) : Real(-1e4000Q));
        }
        t.y.push_back(y);
        t.c.push_back(c);
        t.x.push_back(x);
    }
    return t;
}

template <class Step>
double nanoseconds_per_call(int passes, std::size_t per_pass, Step step) {
    double best = 1e300;
    for (int trial = 0; trial < 5; ++trial) {
        const double start = cpu_seconds();
        for (int pass = 0; pass < passes; ++pass) step();
        best = std::min(best, cpu_seconds() - start);
    }
    return best * 1e9 / (double(passes) * double(per_pass));
}

void run(const char* label, const Triples& t, int passes, const std::string& only) {
    const std::size_t n = t.y.size();
    if (only.empty() || only == "fms") {
        u128 sum = 0;
        const double ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i)
                sum += bits_of(tarvex::fused_multiply_subtract(t.y[i], t.c[i], t.x[i]));
        });
        u128 check = 0;
        for (std::size_t i = 0; i < n; ++i) check += bits_of(fmaq(-t.c[i], t.x[i], t.y[i]));
        std::printf("%-12s fused_multiply_subtract %7.2f ns  same as fmaq: %s\n", label, ns,
                    sum == check * u128(5 * passes) ? "yes" : "no");
    }
    if (only.empty() || only == "chain") {
        Real out = 0;
        const double ns = nanoseconds_per_call(passes, n, [&] {
            out += tarvex::fused_multiply_add_chain(Real(0), t.c.data(), t.x.data(), n);
        });
        std::printf("%-12s fused_multiply_add_chain %6.2f ns  (%g)\n", label, ns, double(out));
    }
    if (only.empty() || only == "axpy") {
        std::vector<Real> y = t.y;
        const double ns = nanoseconds_per_call(
            passes, n, [&] { tarvex::fused_axpy(y.data(), t.c[7], t.x.data(), n); });
        std::printf("%-12s fused_axpy %20.2f ns  (%g)\n", label, ns, double(y[5]));
    }
    if (only.empty() || only == "rows") {
        // An index over ten columns of a chunk: column by column with fused_axpy, and row by
        // row, each row's running value kept between the columns.
        constexpr std::size_t COLUMNS = 10;
        std::vector<const Real*> columns(COLUMNS);
        for (std::size_t j = 0; j < COLUMNS; ++j) columns[j] = j % 2 == 0 ? t.x.data() : t.y.data();
        const Real* c = t.c.data();
        std::vector<Real> by_columns(n), by_rows(n);
        const double columns_ns = nanoseconds_per_call(passes, n * COLUMNS, [&] {
            std::fill(by_columns.begin(), by_columns.end(), Real(0.5Q));
            for (std::size_t j = 0; j < COLUMNS; ++j)
                tarvex::fused_axpy(by_columns.data(), -c[j], columns[j], n);
        });
        const double rows_ns = nanoseconds_per_call(passes, n * COLUMNS, [&] {
            std::fill(by_rows.begin(), by_rows.end(), Real(0.5Q));
            tarvex::fused_multiply_add_rows(by_rows.data(), c, columns.data(), COLUMNS, 0, n);
        });
        std::printf("%-12s index step: by columns %5.2f ns, by rows %5.2f ns  same: %s\n", label,
                    columns_ns, rows_ns,
                    std::memcmp(by_columns.data(), by_rows.data(), n * sizeof(Real)) == 0 ? "yes"
                                                                                          : "no");
    }
    if (only.empty() || only == "chains") {
        // A gradient over ten columns of a chunk: chain by chain, and two chains side by side.
        constexpr std::size_t COLUMNS = 10;
        std::vector<const Real*> columns(COLUMNS);
        for (std::size_t j = 0; j < COLUMNS; ++j) columns[j] = j % 2 == 0 ? t.x.data() : t.y.data();
        std::vector<Real> one_by_one(COLUMNS), side_by_side(COLUMNS);
        const double single_ns = nanoseconds_per_call(passes, n * COLUMNS, [&] {
            for (std::size_t j = 0; j < COLUMNS; ++j)
                one_by_one[j] =
                    tarvex::fused_multiply_add_chain(Real(0), t.c.data(), columns[j], n);
        });
        const double paired_ns = nanoseconds_per_call(passes, n * COLUMNS, [&] {
            std::fill(side_by_side.begin(), side_by_side.end(), Real(0));
            tarvex::fused_multiply_add_chains(side_by_side.data(), t.c.data(), columns.data(),
                                              COLUMNS, 0, n);
        });
        std::printf("%-12s gradient step: chain by chain %5.2f ns, side by side %5.2f ns  same: "
                    "%s\n",
                    label, single_ns, paired_ns,
                    std::memcmp(one_by_one.data(), side_by_side.data(), sizeof(Real) * COLUMNS) == 0
                        ? "yes"
                        : "no");
    }
    if (only.empty() || only == "sum") {
        u128 looped = 0, chained = 0;
        const double looped_ns = nanoseconds_per_call(passes, n, [&] {
            Real sum = 0;
            for (std::size_t i = 0; i < n; ++i) sum = tarvex::fast_add(sum, t.x[i]);
            looped += bits_of(sum);
        });
        const double chained_ns = nanoseconds_per_call(
            passes, n, [&] { chained += bits_of(tarvex::fast_add_chain(Real(0), t.x.data(), n)); });
        std::printf("%-12s sum step: fast_add loop %5.2f ns, fast_add_chain %5.2f ns  same: %s\n",
                    label, looped_ns, chained_ns, looped == chained ? "yes" : "no");
        // Ten sums side by side.
        constexpr std::size_t COLUMNS = 10;
        std::vector<const Real*> columns(COLUMNS);
        for (std::size_t j = 0; j < COLUMNS; ++j) columns[j] = j % 2 == 0 ? t.x.data() : t.y.data();
        std::vector<Real> sums(COLUMNS);
        const double side_ns = nanoseconds_per_call(passes, n * COLUMNS, [&] {
            std::fill(sums.begin(), sums.end(), Real(0));
            tarvex::fast_add_chains(sums.data(), columns.data(), COLUMNS, 0, n);
        });
        std::printf("%-12s sum step: ten fast_add_chains side by side %5.2f ns  same: %s\n", label,
                    side_ns,
                    bits_of(sums[0]) == bits_of(tarvex::fast_add_chain(0, t.x.data(), n)) &&
                            bits_of(sums[9]) == bits_of(tarvex::fast_add_chain(0, t.y.data(), n))
                        ? "yes"
                        : "no");
    }
    if (only.empty() || only == "div") {
        u128 library = 0, integer = 0;
        const double library_ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i) library += bits_of(t.y[i] / t.x[i]);
        });
        const double integer_ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i)
                integer += bits_of(tarvex::fast_divide(t.y[i], t.x[i]));
        });
        std::printf("%-12s divide: library %7.2f ns, fast_divide %7.2f ns  same: %s\n", label,
                    library_ns, integer_ns, library == integer ? "yes" : "no");
    }
    if (only.empty() || only == "mul") {
        u128 library = 0, integer = 0;
        const double library_ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i) library += bits_of(t.y[i] * t.x[i]);
        });
        const double integer_ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i)
                integer += bits_of(tarvex::fast_multiply(t.y[i], t.x[i]));
        });
        std::printf("%-12s multiply: library %5.2f ns, fast_multiply %5.2f ns  same: %s\n", label,
                    library_ns, integer_ns, library == integer ? "yes" : "no");
    }
    if (only.empty() || only == "add") {
        u128 library = 0, integer = 0;
        const double library_ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i) library += bits_of(t.y[i] + t.c[i]);
        });
        const double integer_ns = nanoseconds_per_call(passes, n, [&] {
            for (std::size_t i = 0; i < n; ++i)
                integer += bits_of(tarvex::fast_add(t.y[i], t.c[i]));
        });
        std::printf("%-12s add: library %5.2f ns, fast_add %5.2f ns  same: %s\n", label, library_ns,
                    integer_ns, library == integer ? "yes" : "no");
    }
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::string only = argc > 2 ? argv[2] : "";
    run("random", make_triples(false), passes, only);
    run("cancelling", make_triples(true), passes, only);
    return 0;
}
