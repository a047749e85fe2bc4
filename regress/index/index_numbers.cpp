// The four index formulas, fixed-base and chained, in binary128.
#include "regress/index/index_numbers.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

namespace {

struct IndexLink {
    Real laspeyres = 1, paasche = 1, fisher = 1, tornqvist = 1;
};

// The comparison of period t with period s, weighting `a` (the compared values) by `b`.
IndexLink index_link(const std::vector<std::vector<Real>>& a,
                     const std::vector<std::vector<Real>>& b, std::size_t s, std::size_t t) {
    Real at_bs = 0, as_bs = 0, at_bt = 0, as_bt = 0;
    for (std::size_t g = 0; g < a.size(); ++g) {
        at_bs += a[g][t] * b[g][s];
        as_bs += a[g][s] * b[g][s];
        at_bt += a[g][t] * b[g][t];
        as_bt += a[g][s] * b[g][t];
    }
    // The value shares of period s are a_s b_s / sum a_s b_s, those of t a_t b_t / sum a_t b_t:
    // the same whichever of price and quantity `a` is.
    Real log_index = 0;
    for (std::size_t g = 0; g < a.size(); ++g) {
        const Real share_s = a[g][s] * b[g][s] / as_bs;
        const Real share_t = a[g][t] * b[g][t] / at_bt;
        log_index += (share_s + share_t) / 2 * qm::log(a[g][t] / a[g][s]);
    }
    IndexLink link;
    link.laspeyres = at_bs / as_bs;
    link.paasche = at_bt / as_bt;
    link.fisher = qm::sqrt(link.laspeyres * link.paasche);
    link.tornqvist = qm::exp(log_index);
    return link;
}

IndexFormulas index_series(const std::vector<std::vector<Real>>& a,
                           const std::vector<std::vector<Real>>& b, std::size_t base, bool chained,
                           Real scale) {
    const std::size_t n = a.empty() ? 0 : a.front().size();
    IndexFormulas f;
    IndexLink running;
    for (std::size_t t = 0; t < n; ++t) {
        IndexLink value;
        if (!chained) {
            value = index_link(a, b, base, t);
        } else {
            if (t > 0) {
                const IndexLink step = index_link(a, b, t - 1, t);
                running.laspeyres *= step.laspeyres;
                running.paasche *= step.paasche;
                running.fisher *= step.fisher;
                running.tornqvist *= step.tornqvist;
            }
            value = running;
        }
        f.laspeyres.push_back(value.laspeyres);
        f.paasche.push_back(value.paasche);
        f.fisher.push_back(value.fisher);
        f.tornqvist.push_back(value.tornqvist);
    }
    for (std::vector<Real>* series : {&f.laspeyres, &f.paasche, &f.fisher, &f.tornqvist}) {
        const Real at_base = chained ? (*series)[base] : Real(1);
        for (Real& v : *series) v = v / at_base * scale;
    }
    return f;
}

} // namespace

PriceQuantityIndexes price_quantity_indexes(const std::vector<std::vector<Real>>& price,
                                            const std::vector<std::vector<Real>>& quantity,
                                            int base, bool chained, Real scale) {
    PriceQuantityIndexes r;
    r.price = index_series(price, quantity, std::size_t(base), chained, scale);
    r.quantity = index_series(quantity, price, std::size_t(base), chained, scale);
    return r;
}

} // namespace tarvex
