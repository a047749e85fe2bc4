// Benchmark of the least-squares kernel on the exact cross-product matrix
// (kernels/gram_cholesky.hpp) against today's Gram-Schmidt solve through the regression
// command's entry (solve_least_squares, which copies X and y into its work matrix).
//   build/bench/bench_gram kernel|gs [N] [threads]   one solve of N x (10 regressors, the
//       intercept, y) of pseudo-random data: processor and wall time, peak resident memory
//       before and after (run each method in its own process to see its own peak); the kernel
//       then makes its second pass, residuals and fitted values into two vectors of N
// Its accuracy on the NIST StRD sets is checked by the unit tests (test_gram_kernel.cpp).
#include "bench/bench_clock.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"
#include "kernels/gram_schmidt.hpp"
#include "kernels/householder.hpp"
#include "kernels/normal_equations.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_options.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using bench::cpu_seconds;

using tarvex::Real;

double wall_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Peak resident set so far, in MB (VmHWM of /proc/self/status).
double peak_mb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024;
    return -1;
}

int speed(bool kernel, int n, int threads) {
    using namespace tarvex;
    const int regressors = 10;
    const int k = regressors + 1; // and the intercept, last
    std::mt19937_64 rng(7);
    // X as the regression command holds it (column after column, the intercept's ones last).
    std::vector<Real> x(static_cast<std::size_t>(n) * k), y(static_cast<std::size_t>(n));
    for (int col = 0; col < regressors; ++col)
        for (int row = 0; row < n; ++row)
            x[static_cast<std::size_t>(col) * n + row] =
                Real(static_cast<long long>(rng() % 2000000)) / 1024 - 900;
    for (int row = 0; row < n; ++row) {
        x[static_cast<std::size_t>(regressors) * n + row] = 1;
        Real sum = 3;
        for (int col = 0; col < regressors; ++col)
            sum += x[static_cast<std::size_t>(col) * n + row] * (col + 1);
        y[row] = sum + Real(static_cast<long long>(rng() % 2000000)) / 1024 - 900;
    }
    const double data_peak = peak_mb();
    const double cpu0 = cpu_seconds(), wall0 = wall_seconds();
    std::vector<Real> coef;
    Real sse = 0;
    bool ok = false;
    if (kernel) {
        GramColumns columns;
        for (int col = 0; col < regressors; ++col)
            columns.columns.push_back(x.data() + static_cast<std::size_t>(col) * n);
        columns.columns.push_back(nullptr);
        columns.columns.push_back(y.data());
        columns.nobs = static_cast<std::size_t>(n);
        const GramFit fit = gram_least_squares(columns, DEPENDENCE_RATIO, threads);
        ok = fit.ok();
        coef = fit.coef;
        sse = fit.sse;
        std::printf("fit: %.3f s processor, %.3f s wall\n", cpu_seconds() - cpu0,
                    wall_seconds() - wall0);
        // The output vectors stand for the regression's residual and prediction variables,
        // which exist before the pass: made (and their pages touched) outside the timing.
        const double cpu_alloc = cpu_seconds();
        std::vector<Real> residuals(static_cast<std::size_t>(n)),
            fitted(static_cast<std::size_t>(n));
        std::printf("two output vectors of N made: %.3f s processor\n", cpu_seconds() - cpu_alloc);
        const double cpu1 = cpu_seconds(), wall1 = wall_seconds();
        const bool predict = std::getenv("NO_FITTED") == nullptr;
        const ResidualSums sums = gram_residuals(columns, fit.coef_wide, residuals.data(),
                                                 predict ? fitted.data() : nullptr, threads);
        char r[48];
        quadmath_snprintf(r, sizeof r, "%.36Qe", sums.sse);
        std::printf("residual pass%s: %.3f s processor, %.3f s wall; SSE of the residuals = %s\n",
                    predict ? " with fitted values" : "", cpu_seconds() - cpu1,
                    wall_seconds() - wall1, r);
        ok = ok && sums.finite;
    } else {
        const LsSolution fit = solve_least_squares(OlsMethod::GS, x, y, n, k, 0);
        ok = fit.dependent_column == 0 && !fit.singular && !fit.too_few;
        coef = fit.coef;
        sse = fit.sse;
    }
    const double cpu = cpu_seconds() - cpu0, wall = wall_seconds() - wall0;
    char b0[48], s[48];
    quadmath_snprintf(b0, sizeof b0, "%.36Qe", coef.empty() ? Real(0) : coef[0]);
    quadmath_snprintf(s, sizeof s, "%.36Qe", sse);
    std::printf("%s %d x %d, in all: %.3f s processor, %.3f s wall; peak %.0f MB with the data "
                "alone, %.0f MB after%s\n",
                kernel ? "kernel" : "GS", n, k, cpu, wall, data_peak, peak_mb(),
                ok ? "" : " (failed)");
    std::printf("  b1 = %s\n  SSE = %s\n", b0, s);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "kernel";
    const int n = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const int threads = argc > 3 ? std::atoi(argv[3]) : 0;
    return speed(mode != "gs", n, threads);
}
