// The LU factors of a square basis matrix, used by both simplex stages of a quantile
// regression: solves with the basis and with its transpose.
#pragma once

#include <numeric>
#include <utility>
#include <vector>

namespace tarvex {

// A square system in K unknowns factored with partial pivoting (row-major), solved for a right
// side or for the transposed system.
template <class T>
struct QuantileLu {
    int k = 0;
    std::vector<T> a;
    std::vector<int> perm;

    bool factor(std::vector<T> m, int size) {
        k = size;
        a = std::move(m);
        perm.resize(std::size_t(k));
        std::iota(perm.begin(), perm.end(), 0);
        for (int c = 0; c < k; ++c) {
            int best = c;
            for (int r = c + 1; r < k; ++r)
                if (abs_of(a[idx(r, c)]) > abs_of(a[idx(best, c)])) best = r;
            if (a[idx(best, c)] == T(0)) return false;
            if (best != c) {
                for (int j = 0; j < k; ++j) std::swap(a[idx(best, j)], a[idx(c, j)]);
                std::swap(perm[std::size_t(best)], perm[std::size_t(c)]);
            }
            for (int r = c + 1; r < k; ++r) {
                const T f = a[idx(r, c)] / a[idx(c, c)];
                a[idx(r, c)] = f;
                for (int j = c + 1; j < k; ++j) a[idx(r, j)] -= f * a[idx(c, j)];
            }
        }
        return true;
    }
    // A z = rhs.
    std::vector<T> solve(const std::vector<T>& rhs) const {
        std::vector<T> z(static_cast<std::size_t>(k));
        for (int r = 0; r < k; ++r) {
            T s = rhs[std::size_t(perm[std::size_t(r)])];
            for (int j = 0; j < r; ++j) s -= a[idx(r, j)] * z[std::size_t(j)];
            z[std::size_t(r)] = s;
        }
        for (int r = k - 1; r >= 0; --r) {
            T s = z[std::size_t(r)];
            for (int j = r + 1; j < k; ++j) s -= a[idx(r, j)] * z[std::size_t(j)];
            z[std::size_t(r)] = s / a[idx(r, r)];
        }
        return z;
    }
    // A' z = rhs (P A = L U, so A' = U' L' P).
    std::vector<T> solve_transposed(const std::vector<T>& rhs) const {
        std::vector<T> w(static_cast<std::size_t>(k));
        for (int r = 0; r < k; ++r) {
            T s = rhs[std::size_t(r)];
            for (int j = 0; j < r; ++j) s -= a[idx(j, r)] * w[std::size_t(j)];
            w[std::size_t(r)] = s / a[idx(r, r)];
        }
        for (int r = k - 1; r >= 0; --r) {
            T s = w[std::size_t(r)];
            for (int j = r + 1; j < k; ++j) s -= a[idx(j, r)] * w[std::size_t(j)];
            w[std::size_t(r)] = s;
        }
        std::vector<T> z(static_cast<std::size_t>(k));
        for (int r = 0; r < k; ++r) z[std::size_t(perm[std::size_t(r)])] = w[std::size_t(r)];
        return z;
    }

private:
    std::size_t idx(int r, int c) const { return std::size_t(r) * std::size_t(k) + std::size_t(c); }
    static T abs_of(T v) { return v < 0 ? -v : v; }
};

} // namespace tarvex
