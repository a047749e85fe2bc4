// The error numbers of QP (its slot, 117, times 1000 plus the error) and of PORTFOLI (slot 105).
#pragma once

namespace tarvex {

inline constexpr int ERR_QP_LIST = 117001;        // not Q c or Q c A b
inline constexpr int ERR_QP_OPTION = 117002;      // a name option without its value
inline constexpr int ERR_QP_NOT_NUMERIC = 117003; // an input that is no numeric variable
inline constexpr int ERR_QP_SHAPE = 117004;       // Q, c, A, b, TYPES, LOWER, UPPER do not conform
inline constexpr int ERR_QP_EMPTY = 117005;       // no variables
inline constexpr int ERR_QP_TYPES = 117006;       // a TYPES code other than -1, 0, 1
inline constexpr int ERR_QP_BOUNDS = 117007;      // a lower bound above its upper bound
inline constexpr int ERR_QP_MISSING = 117008;     // a missing or infinite element
inline constexpr int ERR_QP_NOT_SYMMETRIC = 117009; // Q differs from its transpose
inline constexpr int ERR_QP_NOT_CONVEX = 117010;    // Q has a negative eigenvalue
inline constexpr int ERR_QP_INFEASIBLE = 117011;
inline constexpr int ERR_QP_UNBOUNDED = 117012;
inline constexpr int ERR_QP_UNCERTIFIED = 117013; // no working set passed the binary128 check

inline constexpr int ERR_PF_LIST = 105001;        // fewer than two series of returns
inline constexpr int ERR_PF_OPTION = 105002;      // a name option without its value
inline constexpr int ERR_PF_NOT_SERIES = 105003;  // a listed name that is no numeric series
inline constexpr int ERR_PF_FEW_OBS = 105004;     // no more observations than assets
inline constexpr int ERR_PF_SINGULAR = 105005;    // the covariance matrix is singular
inline constexpr int ERR_PF_TARGET = 105006;      // a target return outside the attainable range
inline constexpr int ERR_PF_TARGETS = 105007;     // TARGETS= not a numeric vector
inline constexpr int ERR_PF_NPOINT = 105008;      // NPOINT= below 2
inline constexpr int ERR_PF_TANGENCY = 105009;    // no tangency portfolio at RF=
inline constexpr int ERR_PF_EQUAL_MEANS = 105010; // every asset has the same mean: no frontier
inline constexpr int ERR_PF_UNSOLVED = 105011;    // a frontier program failed its verification

} // namespace tarvex
