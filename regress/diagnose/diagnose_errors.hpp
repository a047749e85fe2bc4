// The $ERR numbers of DIAGNOSE: its command slot (69) times 1000 plus a sequence number.
#pragma once

namespace tarvex {

enum DiagnoseError : int {
    ERR_DIAGNOSE_NO_OLS = 69001,        // no linear least-squares estimation stands
    ERR_DIAGNOSE_FORM = 69002,          // the estimation was weighted or in logs
    ERR_DIAGNOSE_BREAK_OUTSIDE = 69003, // CHOWONE= not inside the estimation range
    ERR_DIAGNOSE_BREAK_SHORT = 69004,   // too few observations before the break
    ERR_DIAGNOSE_ARCH_SHORT = 69005,    // too few observations for the ARCH order
    ERR_DIAGNOSE_DATA = 69006,          // the estimation's data cannot be read again
    ERR_DIAGNOSE_SINGULAR = 69007,      // a part of the sample does not determine the coefficients
    ERR_DIAGNOSE_TRIM = 69008,          // no break left inside the trimmed range
    ERR_DIAGNOSE_SIGLEVEL = 69009,      // no CUSUM-of-squares bounds tabulated at SIGLEVEL=
};

} // namespace tarvex
