// STOCKGRA high low close [open] / options: a high-low-close chart (bars with an open tick, or
// candlesticks under CANDLE) of price series, as a character chart in the report and, with
// GRAPH, DEVICE= or OUTPUT=, as a picture drawn by gnuplot.
#pragma once

namespace tarvex {

struct Run;

void cmd_stockgra(Run& run);

} // namespace tarvex
