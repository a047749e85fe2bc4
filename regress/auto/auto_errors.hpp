// The error numbers of AUTO (its slot, 26, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_AUTO_NO_LIST = 26001;
inline constexpr int ERR_AUTO_OPTION = 26002;
inline constexpr int ERR_AUTO_ORDER = 26003;
inline constexpr int ERR_AUTO_BOTH_SIDES = 26004;
inline constexpr int ERR_AUTO_TOO_FEW = 26005;
inline constexpr int ERR_AUTO_NONSTATIONARY = 26006;
inline constexpr int ERR_AUTO_SINGULAR = 26007;
inline constexpr int ERR_AUTO_NOT_FINITE = 26008;
inline constexpr int ERR_AUTO_NO_CONVERGENCE = 26009;
inline constexpr int ERR_AUTO_RANGE = 26010; // values whose squares binary128 cannot hold

} // namespace tarvex
