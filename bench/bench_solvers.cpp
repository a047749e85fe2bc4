// Benchmark: the three least-squares solvers on N observations of 10 regressors (intercept
// included) and y, and the exact dot product and the fused update against the plain loops.
// Processor time, so that a busy machine disturbs the figures less. Run by hand:
// build/bench/bench_solvers [N].
#include "bench/bench_clock.hpp"
#include "kernels/gram_schmidt.hpp"
#include "kernels/householder.hpp"
#include "kernels/normal_equations.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fused_axpy.hpp"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

namespace {

using bench::cpu_seconds;

__attribute__((noinline)) tarvex::Real plain_dot(const tarvex::Real* a, const tarvex::Real* b,
                                                 int n) {
    tarvex::Real sum = 0;
    for (int i = 0; i < n; ++i) sum += a[i] * b[i];
    return sum;
}

__attribute__((noinline)) void plain_axpy(tarvex::Real* y, tarvex::Real c, const tarvex::Real* x,
                                          int n) {
    for (int i = 0; i < n; ++i) y[i] -= c * x[i];
}

} // namespace

int main(int argc, char** argv) {
    using namespace tarvex;
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int k = 10;
    std::mt19937_64 rng(7);
    DataMatrix data(n, k + 1);
    for (int col = 0; col <= k; ++col)
        for (int row = 0; row < n; ++row)
            data.at(row, col) = Real(static_cast<long long>(rng() % 2000000)) / 1024 - 900;
    for (int row = 0; row < n; ++row) data.at(row, k - 1) = 1;

    double start = cpu_seconds();
    const Real plain = plain_dot(data.column(0), data.column(1), n);
    double middle = cpu_seconds();
    const Real exact = exact_dot(data.column(0), data.column(1), static_cast<std::size_t>(n));
    double end = cpu_seconds();
    std::printf("dot product: plain %.1f ns, exact %.1f ns per element (%s)\n",
                (middle - start) * 1e9 / n, (end - middle) * 1e9 / n,
                plain == exact ? "same value" : "values differ in the last bits");

    std::vector<Real> target(data.column(2), data.column(2) + n);
    const Real factor = data.at(5, 3) / 1000;
    start = cpu_seconds();
    plain_axpy(target.data(), factor, data.column(0), n);
    middle = cpu_seconds();
    fused_axpy(target.data(), factor, data.column(0), static_cast<std::size_t>(n));
    end = cpu_seconds();
    std::printf("y - c*x: plain %.1f ns, fused (one rounding) %.1f ns per element\n",
                (middle - start) * 1e9 / n, (end - middle) * 1e9 / n);

    DataMatrix work = data;
    start = cpu_seconds();
    const bool gs = GSREG(work).ok();
    middle = cpu_seconds();
    work = data;
    const bool hh = householder_solve(work).fit.ok();
    end = cpu_seconds();
    const bool normal = normal_equations_solve(data).ok();
    const double last = cpu_seconds();
    std::printf("%d x %d: GS %.2f s, HH %.2f s, NORMAL %.2f s%s\n", n, k, middle - start,
                end - middle, last - end, gs && hh && normal ? "" : " (a solve failed)");
    return 0;
}
