// The $ERR numbers of STATS: its command slot (27) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

inline constexpr int ERR_STATS_OPTION_VALUE = 27001;     // a name option holding no usable name
inline constexpr int ERR_STATS_NO_COMMON_OBS = 27002;    // no observation has every variable
inline constexpr int ERR_STATS_INVALID_VARIABLE = 27003; // a listed or weight variable unusable
inline constexpr int ERR_STATS_WEIGHT_SHORT = 27004;     // the weights end before the range
inline constexpr int ERR_STATS_BOUND_OPTION = 27005;     // what series bound to a file cannot give
inline constexpr int ERR_STATS_BOUND_PASS = 27006;       // a pass over bound series that failed

} // namespace tarvex
