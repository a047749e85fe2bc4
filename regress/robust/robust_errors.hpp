// The error numbers of ROBUST (its slot, 77, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_ROBUST_NO_LIST = 77001;
inline constexpr int ERR_ROBUST_OPTION = 77002;
inline constexpr int ERR_ROBUST_BOTH_SIDES = 77003;
inline constexpr int ERR_ROBUST_TAU = 77004; // TAU not strictly between 0 and 1
inline constexpr int ERR_ROBUST_TOO_FEW = 77005;
inline constexpr int ERR_ROBUST_DEGENERATE = 77006; // no K observations span the design
inline constexpr int ERR_ROBUST_PIVOTS = 77007;     // the simplex did not end
inline constexpr int ERR_ROBUST_NO_CONVERGENCE = 77008;
inline constexpr int ERR_ROBUST_ZERO_SCALE = 77009; // half the residuals or more are zero
inline constexpr int ERR_ROBUST_NO_SPREAD = 77010;  // the covariance cannot be estimated
inline constexpr int ERR_ROBUST_RANGE = 77011;      // values whose squares binary128 cannot hold
inline constexpr int ERR_ROBUST_REPS = 77012;       // REPS below 2
inline constexpr int ERR_ROBUST_TUNING = 77013;     // TUNING not positive

} // namespace tarvex
