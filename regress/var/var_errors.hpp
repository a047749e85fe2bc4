// The error numbers of VAR (its slot, 101, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_VAR_NO_LIST = 101001;
inline constexpr int ERR_VAR_OPTION = 101002;
inline constexpr int ERR_VAR_TOO_FEW = 101003;
inline constexpr int ERR_VAR_GAP = 101004;
inline constexpr int ERR_VAR_SINGULAR_X = 101005;
inline constexpr int ERR_VAR_SINGULAR_SIGMA = 101006;
inline constexpr int ERR_VAR_NOT_FINITE = 101007;
inline constexpr int ERR_VAR_REPEATED = 101008;

} // namespace tarvex
