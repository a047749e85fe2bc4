// Cholesky factor and solves of a symmetric band matrix held by rows of its lower band.
#include "kernels/band_cholesky.hpp"

#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

bool band_cholesky(SymmetricBand& a) {
    const int n = a.size(), w = a.width();
    for (int i = 0; i < n; ++i) {
        const int first = std::max(0, i - w);
        for (int j = first; j <= i; ++j) {
            // L(i,j) = (A(i,j) - sum_k L(i,k) L(j,k)) / L(j,j), k from the band's start to j-1.
            Real s = a.at(i, i - j);
            for (int k = std::max(first, j - w); k < j; ++k) s -= a.at(i, i - k) * a.at(j, j - k);
            if (j == i) {
                if (!(s > 0)) return false;
                a.at(i, 0) = qm::sqrt(s);
            } else {
                a.at(i, i - j) = s / a.at(j, 0);
            }
        }
    }
    return true;
}

void band_cholesky_solve(const SymmetricBand& factor, std::vector<Real>& b) {
    const int n = factor.size(), w = factor.width();
    for (int i = 0; i < n; ++i) {
        Real s = b[i];
        for (int k = std::max(0, i - w); k < i; ++k) s -= factor.at(i, i - k) * b[k];
        b[i] = s / factor.at(i, 0);
    }
    for (int i = n - 1; i >= 0; --i) {
        Real s = b[i];
        for (int k = i + 1; k <= std::min(n - 1, i + w); ++k) s -= factor.at(k, k - i) * b[k];
        b[i] = s / factor.at(i, 0);
    }
}

} // namespace tarvex
