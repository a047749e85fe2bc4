// The $ERR numbers of STOCKGRA: its command slot (106) times 1000 plus a sequence number. The
// drawing of its picture through gnuplot sets GRAPH's numbers (109002, 109007 to 109011).
#pragma once

namespace tarvex {

enum StockgraError : int {
    ERR_STOCK_LIST = 106001,     // not three or four price series
    ERR_STOCK_OPEN = 106002,     // CANDLE without the open price
    ERR_STOCK_LENGTHS = 106003,  // the series have unequal lengths
    ERR_STOCK_HIGH_LOW = 106004, // a high below the low of its observation
    ERR_STOCK_OUTSIDE = 106005,  // a close or open outside its observation's high and low
    ERR_STOCK_OPTION = 106006,   // an option value out of its range
    ERR_STOCK_TOO_FEW = 106007,  // no observation with every price
};

} // namespace tarvex
