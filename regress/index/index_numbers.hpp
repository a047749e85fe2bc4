// Price and quantity index numbers of a set of goods, each good a price series and a quantity
// series. Between a base period s and a period t:
//   Laspeyres price   sum p_t q_s / sum p_s q_s      (base-period quantities)
//   Paasche price     sum p_t q_t / sum p_s q_t      (current quantities)
//   Fisher price      the geometric mean of the two
//   Tornqvist price   exp(sum (w_s + w_t) / 2 log(p_t / p_s)), w the goods' value shares
// and the quantity indexes the same with prices and quantities exchanged. A fixed-base index
// compares every period with the base; a chained index multiplies the comparisons of each period
// with the one before and is then divided by its value at the base. Every index is `scale` at
// the base.
#pragma once

#include "numeric/real.hpp"

#include <vector>

namespace tarvex {

struct IndexFormulas {
    std::vector<Real> laspeyres, paasche, fisher, tornqvist; // one value a period
};

struct PriceQuantityIndexes {
    IndexFormulas price, quantity;
};

// price[g][t] and quantity[g][t] for good g at period t, all positive; `base` a period
// (0-based). `chained`: links between consecutive periods.
PriceQuantityIndexes price_quantity_indexes(const std::vector<std::vector<Real>>& price,
                                            const std::vector<std::vector<Real>>& quantity,
                                            int base, bool chained, Real scale);

} // namespace tarvex
