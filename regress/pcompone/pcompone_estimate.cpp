// Principal components: centring, the cross-product matrix, its eigen decomposition and the
// scores, all in binary128.
#include "regress/pcompone/pcompone_estimate.hpp"

#include "expr/matrix_algebra.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

PrincipalComponents principal_components(const std::vector<std::vector<Real>>& columns,
                                         bool correlation) {
    PrincipalComponents pc;
    pc.k = int(columns.size());
    pc.n = pc.k > 0 ? int(columns.front().size()) : 0;
    const int k = pc.k, n = pc.n;
    if (n < 2) {
        pc.end = ComponentsEnd::TOO_FEW;
        return pc;
    }
    // Centred (and, for the correlation matrix, scaled) data, column by column.
    std::vector<std::vector<Real>> z(columns);
    for (int j = 0; j < k; ++j) {
        Real sum = 0;
        for (Real v : z[std::size_t(j)]) sum += v;
        const Real mean = sum / Real(n);
        Real squares = 0;
        for (Real& v : z[std::size_t(j)]) {
            v -= mean;
            squares += v * v;
        }
        const Real deviation = qm::sqrt(squares / Real(n - 1));
        pc.mean.push_back(mean);
        pc.deviation.push_back(deviation);
        if (!correlation) continue;
        if (!(deviation > 0)) {
            pc.end = ComponentsEnd::CONSTANT;
            pc.constant = j;
            return pc;
        }
        for (Real& v : z[std::size_t(j)]) v /= deviation;
    }
    expr::Matrix a(k, k);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j <= i; ++j) {
            Real s = 0;
            for (int t = 0; t < n; ++t)
                s += z[std::size_t(i)][std::size_t(t)] * z[std::size_t(j)][std::size_t(t)];
            a(i, j) = a(j, i) = s / Real(n - 1);
        }
    if (correlation)
        for (int i = 0; i < k; ++i) a(i, i) = 1; // exactly, as a correlation is
    const expr::linalg::EigenResult e = expr::linalg::eigen(a, true);
    if (!e.ok) {
        pc.end = ComponentsEnd::NO_SETTLE;
        return pc;
    }
    Real trace = 0;
    for (int i = 0; i < k; ++i) trace += a(i, i);
    Real running = 0;
    for (int j = 0; j < k; ++j) {
        const Real value = e.values(j, 0);
        pc.values.push_back(value);
        pc.proportion.push_back(trace > 0 ? value / trace : Real(0));
        running += pc.proportion.back();
        pc.cumulative.push_back(running);
        for (int i = 0; i < k; ++i) pc.loadings.push_back(e.vectors(i, j));
    }
    pc.scores.assign(std::size_t(k), std::vector<Real>(std::size_t(n), 0));
    for (int j = 0; j < k; ++j)
        for (int t = 0; t < n; ++t) {
            Real s = 0;
            for (int i = 0; i < k; ++i)
                s += z[std::size_t(i)][std::size_t(t)] * pc.loadings[std::size_t(j * k + i)];
            pc.scores[std::size_t(j)][std::size_t(t)] = s;
        }
    return pc;
}

} // namespace tarvex
