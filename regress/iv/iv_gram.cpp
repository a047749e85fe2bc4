// The principal parts of the cross-product matrix and the products of projected columns.
#include "regress/iv/iv_gram.hpp"

namespace tarvex {

namespace {

std::size_t packed(int a, int b) {
    return static_cast<std::size_t>(b) * (b + 1) / 2 + static_cast<std::size_t>(a);
}

// P_a'Z'v for the column v of the data matrix.
Wide fitted_product(const GramMatrix& gram, const std::vector<Wide>& fitted, int v) {
    Wide sum;
    for (std::size_t l = 0; l < fitted.size(); ++l) sum = sum + fitted[l] * gram.at(int(l), v);
    return sum;
}

} // namespace

GramMatrix gram_part(const GramMatrix& gram, const std::vector<int>& columns) {
    std::vector<ProjectedColumn> plain;
    for (int c : columns) plain.push_back({c, nullptr});
    return projected_gram(gram, plain);
}

GramMatrix projected_gram(const GramMatrix& gram, const std::vector<ProjectedColumn>& columns) {
    GramMatrix out;
    out.size = static_cast<int>(columns.size());
    out.finite = gram.finite;
    out.entries.assign(packed(0, out.size), Wide{});
    for (int b = 0; b < out.size; ++b)
        for (int a = 0; a <= b; ++a) {
            const ProjectedColumn& ca = columns[a];
            const ProjectedColumn& cb = columns[b];
            Wide& entry = out.entries[packed(a, b)];
            // x^_a'x^_b = x^_a'x_b: one projection is enough.
            if (ca.fitted != nullptr)
                entry = fitted_product(gram, *ca.fitted, cb.column);
            else if (cb.fitted != nullptr)
                entry = fitted_product(gram, *cb.fitted, ca.column);
            else
                entry = gram.at(ca.column, cb.column);
        }
    return out;
}

} // namespace tarvex
