// The $ERR numbers of the volatility models ARIMA estimates: ARIMA's command slot (72) times
// 1000 plus a sequence number, continuing ARIMA's own.
#pragma once

namespace tarvex {

enum GarchError : int {
    ERR_GARCH_NO_CONVERGENCE = 72007,     // the iteration limit came first (warning, as ARIMA's)
    ERR_GARCH_STUCK = 72008,              // no step raises the likelihood (warning, as ARIMA's)
    ERR_GARCH_TERMS = 72013,              // NARCH with MA terms, differencing or a seasonal part
    ERR_GARCH_TOO_SHORT = 72014,          // too few observations for the parameters
    ERR_GARCH_NO_VARIANCE = 72015,        // no positive variance at the starting values
    ERR_GARCH_SINGULAR = 72016,           // the Hessian at the estimates is not negative definite
    ERR_GARCH_PERSISTENT = 72017,         // alpha + beta >= 1 at the estimates
    ERR_GARCH_OMEGA_ZERO = 72018,         // omega at its lower bound 0
    ERR_GARCH_NO_VARIANCE_AT_END = 72019, // no positive variance at the estimates
};

} // namespace tarvex
