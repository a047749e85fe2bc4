// The $ERR numbers of ARIMA: its command slot (72) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum ArimaError : int {
    ERR_ARIMA_NO_SERIES = 72001,      // not exactly one series named
    ERR_ARIMA_OPTION = 72002,         // an option value out of its range
    ERR_ARIMA_GAP = 72003,            // a missing or skipped observation inside the range
    ERR_ARIMA_TOO_SHORT = 72004,      // too few observations for the orders
    ERR_ARIMA_NONSTATIONARY = 72005,  // the AR estimates are not stationary
    ERR_ARIMA_NONINVERTIBLE = 72006,  // the MA estimates are not invertible (warning)
    ERR_ARIMA_NO_CONVERGENCE = 72007, // the iteration limit came first (warning)
    ERR_ARIMA_STUCK = 72008,          // no step raises the likelihood (warning)
    ERR_ARIMA_SINGULAR = 72009,       // the Hessian at the estimates is not negative definite
    ERR_ARIMA_CONSTANT = 72010,       // the differenced series is constant: nothing to estimate
    ERR_ARIMA_BOTH_SIDES = 72011,     // a regressor is the series itself
    ERR_ARIMA_NO_FUTURE = 72012,      // a regressor has no value at a forecast observation
};

} // namespace tarvex
