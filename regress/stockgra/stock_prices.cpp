// Checking a stock chart's prices row by row.
#include "regress/stockgra/stock_prices.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {

bool StockPrices::complete(std::size_t i) const {
    return finiteq(x[i]) && finiteq(high[i]) && finiteq(low[i]) && finiteq(close[i]) &&
           (!has_open() || finiteq(open[i]));
}

PriceCheck check_prices(const StockPrices& p) {
    PriceCheck c;
    for (std::size_t i = 0; i < p.x.size(); ++i) {
        if (!p.complete(i)) continue;
        ++c.drawn;
        if (c.fault != PriceFault::NONE) continue;
        if (p.high[i] < p.low[i])
            c.fault = PriceFault::HIGH_BELOW_LOW;
        else if (p.close[i] < p.low[i] || p.close[i] > p.high[i])
            c.fault = PriceFault::CLOSE_OUTSIDE;
        else if (p.has_open() && (p.open[i] < p.low[i] || p.open[i] > p.high[i]))
            c.fault = PriceFault::OPEN_OUTSIDE;
        if (c.fault != PriceFault::NONE) c.at = i;
    }
    return c;
}

} // namespace tarvex
