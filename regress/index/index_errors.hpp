// The error numbers of INDEX (its slot, 54, times 1000 plus the error).
#pragma once

namespace tarvex {

inline constexpr int ERR_INDEX_NO_SERIES = 54001;
inline constexpr int ERR_INDEX_OPTION = 54002;
inline constexpr int ERR_INDEX_PAIRS = 54003;     // an odd number of series
inline constexpr int ERR_INDEX_BASE = 54004;      // BASE= not an observation in use
inline constexpr int ERR_INDEX_ZERO_BASE = 54005; // a zero price or quantity at a base
inline constexpr int ERR_INDEX_NEGATIVE = 54006;  // a negative price or quantity
inline constexpr int ERR_INDEX_ZERO = 54007;      // a zero price or quantity elsewhere
inline constexpr int ERR_INDEX_GAP = 54008;       // chained: observations that do not follow
inline constexpr int ERR_INDEX_SCALE = 54009;     // SCALE= not positive

} // namespace tarvex
