// The error numbers of PCOMPONE (its slot, 65, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_PC_NO_SERIES = 65001;
inline constexpr int ERR_PC_OPTION = 65002;
inline constexpr int ERR_PC_REPEATED = 65003;  // a series listed twice
inline constexpr int ERR_PC_TOO_FEW = 65004;   // fewer than two observations
inline constexpr int ERR_PC_CONSTANT = 65005;  // no variation: no correlation to analyse
inline constexpr int ERR_PC_NCOMP = 65006;     // NCOMP outside 0..number of series
inline constexpr int ERR_PC_NO_SETTLE = 65007; // the eigen iteration failed
inline constexpr int ERR_PC_RANGE = 65008;     // values whose squares binary128 cannot hold

} // namespace tarvex
