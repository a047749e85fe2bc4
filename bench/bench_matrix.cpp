// Benchmark: whole MATRIX statements on random matrices, the inverse of an n by n matrix
// (default 200) and the product of two m by m matrices (default 500). Each script is timed
// twice, once with the set-up alone and once with the statement added, and the difference is
// reported; processor time, best of several runs, so that a busy machine disturbs the figures
// less. Run by hand: build/bench/bench_matrix [n for INV] [m for the product] [runs].
#include "script_timing.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double seconds_for(const std::string& script) {
    return bench::script_cpu_seconds(script);
}

// Square random matrices A and B of order n, elements uniform on (0, 1), in a work area large
// enough for the operands, the result and the temporaries.
std::string setup(long n) {
    const std::string order = std::to_string(n);
    return "SET NOECHO\nPAR 65536\nDIMENSION Z " + order + " " + order +
           "\nMATRIX A = UNI(Z+1)\nMATRIX B = UNI(Z+1)\n";
}

// Best over `runs` of (set-up + statement) minus the best set-up alone.
double statement_seconds(long n, const std::string& statement, int runs) {
    double base = 1e30, whole = 1e30;
    for (int k = 0; k < runs; ++k) {
        base = std::min(base, seconds_for(setup(n) + "STOP\n"));
        whole = std::min(whole, seconds_for(setup(n) + statement + "\nSTOP\n"));
    }
    return whole - base;
}

} // namespace

int main(int argc, char** argv) {
    const long inverse_order = argc > 1 ? std::atol(argv[1]) : 200;
    const long product_order = argc > 2 ? std::atol(argv[2]) : 500;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    const double inverse = statement_seconds(inverse_order, "MATRIX X = INV(A)", runs);
    std::printf("MATRIX X = INV(A), %ld by %ld: %.3f s (target 3 s)\n", inverse_order,
                inverse_order, inverse);
    const double product = statement_seconds(product_order, "MATRIX C = A*B", runs);
    const double steps = double(product_order) * double(product_order) * double(product_order);
    std::printf("MATRIX C = A*B, %ld by %ld: %.3f s, %.1f ns per multiply-add (target 3 s)\n",
                product_order, product_order, product, product * 1e9 / steps);
    return 0;
}
