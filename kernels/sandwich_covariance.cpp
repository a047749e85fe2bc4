// The HC1-HC3 least-squares covariances and the covariance clustered by groups of rows.
#include "kernels/sandwich_covariance.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/long_run_covariance.hpp"
#include "numeric/qmath.hpp"

#include <cstddef>
#include <map>

namespace tarvex {

std::vector<Real> heteroskedastic_covariance(const std::vector<Real>& x, const std::vector<Real>& e,
                                             const std::vector<Real>& bread, int n, int k,
                                             HeteroskedasticType type,
                                             const std::vector<Real>& hat) {
    // HC2 and HC3 scale each residual, so that its square carries the weight.
    std::vector<Real> scaled(e.begin(), e.begin() + n);
    if (type == HeteroskedasticType::HC2)
        for (int i = 0; i < n; ++i) scaled[i] /= qm::sqrt(1 - hat[i]);
    if (type == HeteroskedasticType::HC3)
        for (int i = 0; i < n; ++i) scaled[i] /= 1 - hat[i];
    std::vector<Real> cov = robust_least_squares_covariance(x, scaled, bread, n, k, 0);
    if (type == HeteroskedasticType::HC1)
        for (Real& v : cov) v *= Real(n) / Real(n - k);
    return cov;
}

int group_rows_by_code(const std::vector<Real>& codes, std::vector<int>& group) {
    std::map<Real, int> number;
    group.resize(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto [at, added] = number.emplace(codes[i], int(number.size()));
        group[i] = at->second;
    }
    return int(number.size());
}

Real cluster_correction(int groups, int n, int k) {
    return Real(groups) / Real(groups - 1) * (Real(n - 1) / Real(n - k));
}

std::vector<Real> clustered_covariance(const std::vector<Real>& scores, int n, int k,
                                       const std::vector<int>& group, int groups,
                                       const std::vector<Real>& bread, Real factor) {
    // The score sums of each group (G x K, column after column), then the exact sum of their
    // outer products.
    const std::size_t g_count = std::size_t(groups), rows = std::size_t(n);
    std::vector<Real> sums(g_count * std::size_t(k), Real(0));
    GramColumns by_group;
    by_group.nobs = g_count;
    for (std::size_t j = 0; j < std::size_t(k); ++j) {
        Real* sj = sums.data() + j * g_count;
        const Real* cj = scores.data() + j * rows;
        for (std::size_t i = 0; i < rows; ++i) sj[std::size_t(group[i])] += cj[i];
        by_group.columns.push_back(sj);
    }
    std::vector<Real> cov = sandwich_product(bread, long_run_covariance(by_group, 0), k);
    if (factor != 1)
        for (Real& v : cov) v *= factor;
    return cov;
}

} // namespace tarvex
