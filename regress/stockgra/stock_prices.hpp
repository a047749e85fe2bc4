// The prices a stock chart draws, an observation a row: high, low, close and (for bars with an
// open tick or candlesticks) open; and the check that each observation's prices make sense.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct StockPrices {
    std::vector<Real> x;                      // the time axis: observation, or date in years
    std::vector<Real> high, low, close, open; // open empty when not given
    bool has_open() const { return !open.empty(); }
    // An observation is drawn when none of its prices is missing (NaN).
    bool complete(std::size_t i) const;
};

enum class PriceFault { NONE, HIGH_BELOW_LOW, CLOSE_OUTSIDE, OPEN_OUTSIDE };

struct PriceCheck {
    PriceFault fault = PriceFault::NONE;
    std::size_t at = 0;    // the row of the first fault
    std::size_t drawn = 0; // the rows with every price
};

// The first row whose high is below its low, or whose close (then open) lies outside them.
PriceCheck check_prices(const StockPrices& p);

} // namespace tarvex
