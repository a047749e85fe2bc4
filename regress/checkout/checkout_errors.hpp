// The $ERR numbers of CHECKOUT: its command slot (38) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

inline constexpr int ERR_CHECKOUT_OPTION = 38001;         // a name option holding no name
inline constexpr int ERR_CHECKOUT_BOUNDS = 38002;         // LOWER= above UPPER=
inline constexpr int ERR_CHECKOUT_NO_ESTIMATION = 38003;  // COLLIN with no estimation standing
inline constexpr int ERR_CHECKOUT_NO_REGRESSORS = 38004;  // an estimation by equation
inline constexpr int ERR_CHECKOUT_REGRESSOR_GONE = 38005; // a regressor deleted since
inline constexpr int ERR_CHECKOUT_REGRESSOR_DATA = 38006; // a regressor's value missing now
inline constexpr int ERR_CHECKOUT_NOTHING = 38007;        // no data series to check

} // namespace tarvex
