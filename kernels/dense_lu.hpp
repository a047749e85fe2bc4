// Small dense square systems that need not be symmetric or definite (the KKT systems of the
// quadratic programs, symmetric but indefinite): LU factorisation with partial pivoting, in any
// real type (double for the search, binary128 for the results), and solves with the factor.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace tarvex {

template <class T>
struct DenseLu {
    int n = 0;
    std::vector<T> lu;     // n x n row-major: unit lower factor below the diagonal, upper on it
    std::vector<int> perm; // row i of the factor is row perm[i] of the matrix
};

// Factors the n x n row-major `a`. False when a pivot is at or below `relative_floor` times the
// largest element of the matrix (singular for the purpose at hand).
template <class T>
bool dense_lu_factor(const std::vector<T>& a, int n, T relative_floor, DenseLu<T>& out) {
    out.n = n;
    out.lu = a;
    out.perm.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) out.perm[std::size_t(i)] = i;
    T largest = 0;
    for (const T& v : a) largest = std::max(largest, v < 0 ? -v : v);
    const T floor = relative_floor * largest;
    if (largest == 0) return n == 0;
    T* m = out.lu.data();
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        T best = 0;
        for (int i = k; i < n; ++i) {
            const T v = m[std::size_t(i) * n + k] < 0 ? -m[std::size_t(i) * n + k]
                                                      : m[std::size_t(i) * n + k];
            if (v > best) best = v, pivot = i;
        }
        if (!(best > floor)) return false;
        if (pivot != k) {
            for (int j = 0; j < n; ++j)
                std::swap(m[std::size_t(k) * n + j], m[std::size_t(pivot) * n + j]);
            std::swap(out.perm[std::size_t(k)], out.perm[std::size_t(pivot)]);
        }
        const T d = m[std::size_t(k) * n + k];
        for (int i = k + 1; i < n; ++i) {
            T& f = m[std::size_t(i) * n + k];
            if (f == 0) continue;
            f /= d;
            for (int j = k + 1; j < n; ++j)
                m[std::size_t(i) * n + j] -= f * m[std::size_t(k) * n + j];
        }
    }
    return true;
}

// x with A x = b for the factored A.
template <class T>
std::vector<T> dense_lu_solve(const DenseLu<T>& f, const std::vector<T>& b) {
    const int n = f.n;
    std::vector<T> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        T s = b[std::size_t(f.perm[std::size_t(i)])];
        for (int j = 0; j < i; ++j) s -= f.lu[std::size_t(i) * n + j] * x[std::size_t(j)];
        x[std::size_t(i)] = s;
    }
    for (int i = n - 1; i >= 0; --i) {
        T s = x[std::size_t(i)];
        for (int j = i + 1; j < n; ++j) s -= f.lu[std::size_t(i) * n + j] * x[std::size_t(j)];
        x[std::size_t(i)] = s / f.lu[std::size_t(i) * n + i];
    }
    return x;
}

// The columns of the n x n row-major `a` that elimination with complete pivoting leaves without a
// pivot above `relative_floor` times the largest element, in increasing order. For a symmetric
// matrix, removing these columns and the same rows leaves a nonsingular system of full rank.
template <class T>
std::vector<int> dense_dependent_columns(std::vector<T> m, int n, T relative_floor) {
    const auto size = [](T v) { return v < 0 ? -v : v; };
    std::vector<int> row(static_cast<std::size_t>(n)), col(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) row[std::size_t(i)] = col[std::size_t(i)] = i;
    T largest = 0;
    for (const T& v : m) largest = std::max(largest, size(v));
    const T floor = relative_floor * largest;
    const auto at = [&](int i, int j) -> T& {
        return m[std::size_t(row[std::size_t(i)]) * std::size_t(n) +
                 std::size_t(col[std::size_t(j)])];
    };
    int k = 0;
    for (; k < n; ++k) {
        int pi = k, pj = k;
        T best = 0;
        for (int i = k; i < n; ++i)
            for (int j = k; j < n; ++j)
                if (size(at(i, j)) > best) best = size(at(i, j)), pi = i, pj = j;
        if (!(best > floor)) break;
        std::swap(row[std::size_t(k)], row[std::size_t(pi)]);
        std::swap(col[std::size_t(k)], col[std::size_t(pj)]);
        const T d = at(k, k);
        for (int i = k + 1; i < n; ++i) {
            const T f = at(i, k) / d;
            if (f == 0) continue;
            for (int j = k; j < n; ++j) at(i, j) -= f * at(k, j);
        }
    }
    std::vector<int> dependent(col.begin() + k, col.end());
    std::sort(dependent.begin(), dependent.end());
    return dependent;
}

} // namespace tarvex
