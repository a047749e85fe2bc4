// The error numbers of SMOOTH (its slot, 110, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_SMOOTH_NO_SERIES = 110001;
inline constexpr int ERR_SMOOTH_OPTION = 110002;
inline constexpr int ERR_SMOOTH_PARAMETER = 110003; // ALPHA, BETA or GAMMA outside [0,1]
inline constexpr int ERR_SMOOTH_TOO_FEW = 110004;
inline constexpr int ERR_SMOOTH_NOT_POSITIVE = 110005; // multiplicative seasons, a value <= 0
inline constexpr int ERR_SMOOTH_GAP = 110006;
inline constexpr int ERR_SMOOTH_LAMBDA = 110007;
inline constexpr int ERR_SMOOTH_NO_CONVERGENCE = 110008;
inline constexpr int ERR_SMOOTH_NO_PERIOD = 110009;
inline constexpr int ERR_SMOOTH_RANGE = 110010; // values whose squares binary128 cannot hold
inline constexpr int ERR_SMOOTH_ONE_SERIES = 110011;
inline constexpr int ERR_SMOOTH_NOT_APPLICABLE = 110012; // an option of another method

} // namespace tarvex
