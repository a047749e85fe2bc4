// MacKinnon's published response-surface coefficients (see mackinnon_tables.cpp for the
// sources). First index: 0 no constant, 1 constant, 2 constant and trend; second: N - 1.
#pragma once

#include "numeric/real.hpp"

namespace tarvex::mackinnon {

inline constexpr int MAX_VARIABLES = 6;

extern const Real TAU_MAX[3][6];
extern const Real TAU_MIN[3][6];
extern const Real TAU_STAR[3][6];
extern const Real SMALL_P[3][6][3];
extern const Real LARGE_P[3][6][4];
extern const Real CRITICAL[3][6][3][4];

} // namespace tarvex::mackinnon
