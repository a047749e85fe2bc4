// The error sequences of CALLOPTI and PUTOPTIO: $ERR is the command's slot (103 or 104) times
// 1000 plus the sequence (command_error_number).
#pragma once

namespace tarvex {

inline constexpr int OPTPRICE_MISSING_ARGUMENT = 1; // SPOT=, STRIKE=, TIME= or VOL= not given
inline constexpr int OPTPRICE_OPTION = 2;           // a name option without its value
inline constexpr int OPTPRICE_BAD_ARGUMENT = 3;     // not a number, scalar or series
inline constexpr int OPTPRICE_SPOT = 4;             // spot not positive
inline constexpr int OPTPRICE_STRIKE = 5;           // strike not positive
inline constexpr int OPTPRICE_VOL = 6;              // volatility not positive
inline constexpr int OPTPRICE_TIME = 7;             // time to expiry not positive
inline constexpr int OPTPRICE_VOL_AND_PRICE = 8;    // both VOL= and PRICE=
inline constexpr int OPTPRICE_AMERICAN_PRICE = 9;   // PRICE= with AMERICAN
inline constexpr int OPTPRICE_BOUNDS = 10;          // a price no volatility reaches
inline constexpr int OPTPRICE_TREE = 11;            // the tree's probability outside 0..1
inline constexpr int OPTPRICE_NOT_COMPUTED = 12;    // an output the method does not give
inline constexpr int OPTPRICE_LIST = 13;            // a variable list before the options

} // namespace tarvex
