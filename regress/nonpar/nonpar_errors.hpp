// The error numbers of NONPAR (its slot, 96, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_NONPAR_NO_SERIES = 96001;
inline constexpr int ERR_NONPAR_OPTION = 96002;
inline constexpr int ERR_NONPAR_TOO_MANY = 96003;
inline constexpr int ERR_NONPAR_BANDWIDTH = 96004; // BANDWIDT= not positive
inline constexpr int ERR_NONPAR_TOO_FEW = 96005;
inline constexpr int ERR_NONPAR_NO_SPREAD = 96006;      // a constant series for a rule
inline constexpr int ERR_NONPAR_QUARTILES = 96007;      // Scott's rule with equal quartiles
inline constexpr int ERR_NONPAR_CONSTANT_X = 96008;     // regression on a constant
inline constexpr int ERR_NONPAR_NOT_APPLICABLE = 96009; // an option of the other analysis
inline constexpr int ERR_NONPAR_NO_CV = 96010;          // no bandwidth gives every left-out fit
inline constexpr int ERR_NONPAR_POINTS = 96011;         // POINTS= not found or without values
inline constexpr int ERR_NONPAR_RANGE = 96012; // values whose squares binary128 cannot hold
inline constexpr int ERR_NONPAR_BOTH_SIDES = 96013;
inline constexpr int ERR_NONPAR_UNDEFINED_FIT = 96014; // a fitted value with no weight near it

} // namespace tarvex
