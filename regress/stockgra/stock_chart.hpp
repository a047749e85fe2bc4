// STOCKGRA's two drawings of the same prices: the character chart for the report and the
// gnuplot script of the picture. An observation is a vertical bar from its low to its high with
// the close marked ('-'; with an open also '<' for the open), or under CANDLE a candle: the
// wick from low to high ('|') and the body between open and close ('O' rising, close >= open;
// 'X' falling).
#pragma once

#include "core/graph_formats.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/stockgra/stock_prices.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct StockChart {
    StockPrices prices;
    std::vector<std::string> names; // shown names: high, low, close [, open]
    bool candle = false;
    std::string title, xlabel, ylabel;
    int rows = 30, cols = 130;
    int frequency = 0; // > 0: x holds dates in years under a calendar of this frequency
};

inline constexpr char STOCK_CLOSE = '-', STOCK_OPEN = '<', STOCK_RANGE = '|';
inline constexpr char CANDLE_RISING = 'O', CANDLE_FALLING = 'X';

// The lines of the character chart (AXISFMT's axes and TIMEFMT's dates applied).
std::vector<std::string> stock_chart_lines(const StockChart& c, const GraphFormats& f);
// The gnuplot script drawing the chart into `target`.
std::string stock_chart_script(const StockChart& c, const GraphFormats& f,
                               const PlotTarget& target);

} // namespace tarvex
