// The $ERR numbers of DLAGS: its command slot (53) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum DlagsError : int {
    ERR_DLAGS_LIST = 53001,       // no dependent variable and lagged variable named
    ERR_DLAGS_LAGS = 53002,       // LAGS= below 1
    ERR_DLAGS_ORDER = 53003,      // ORDER= below 1
    ERR_DLAGS_ENDS = 53004,       // more than one of NEAR, FAR, BOTH
    ERR_DLAGS_BOTH_SIDES = 53005, // the lagged variable is the dependent variable
    ERR_DLAGS_OPTION = 53006,     // a name option typed without its value
};

} // namespace tarvex
