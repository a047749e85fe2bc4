// The error numbers of LP (its slot, 95, times 1000 plus the error) and of GAMES (slot 37).
#pragma once

namespace tarvex {

inline constexpr int ERR_LP_LIST = 95001;        // not three items c A b
inline constexpr int ERR_LP_OPTION = 95002;      // a name option without its value
inline constexpr int ERR_LP_NOT_NUMERIC = 95003; // an input that is no numeric variable
inline constexpr int ERR_LP_SHAPE = 95004;       // c, A, b, TYPES, LOWER, UPPER do not conform
inline constexpr int ERR_LP_EMPTY = 95005;       // no variables or no rows
inline constexpr int ERR_LP_TYPES = 95006;       // a TYPES code other than -1, 0, 1
inline constexpr int ERR_LP_BOUNDS = 95007;      // a lower bound above its upper bound
inline constexpr int ERR_LP_MISSING = 95008;     // a missing or infinite element
inline constexpr int ERR_LP_SENSE = 95009;       // MAX and MIN both
inline constexpr int ERR_LP_INFEASIBLE = 95010;
inline constexpr int ERR_LP_UNBOUNDED = 95011;
inline constexpr int ERR_LP_UNCERTIFIED = 95012; // no basis passed the binary128 check

inline constexpr int ERR_GAMES_LIST = 37001; // not one payoff matrix
inline constexpr int ERR_GAMES_OPTION = 37002;
inline constexpr int ERR_GAMES_NOT_NUMERIC = 37003;
inline constexpr int ERR_GAMES_MISSING = 37004;
inline constexpr int ERR_GAMES_UNCERTIFIED = 37005;

} // namespace tarvex
