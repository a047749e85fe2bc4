// Mathematical functions on binary128 values, thin and exact wrappers over libquadmath so that
// callers never reach for the double versions by mistake; the square root is the engine's own,
// correctly rounded and computed on the integer significand.
#pragma once

#include "numeric/real.hpp"
#include "numeric/square_root.hpp"

namespace tarvex::qm {

inline Real abs(Real x) {
    return __builtin_fabsq(x);
} // the sign bit cleared in line, no call
inline Real sqrt(Real x) {
    return square_root(x);
} // correctly rounded, on integers
inline Real exp(Real x) {
    return expq(x);
}
inline Real log(Real x) {
    return logq(x);
}
inline Real log10(Real x) {
    return log10q(x);
}
inline Real pow(Real x, Real y) {
    return powq(x, y);
}
inline Real sin(Real x) {
    return sinq(x);
}
inline Real cos(Real x) {
    return cosq(x);
}
inline Real tan(Real x) {
    return tanq(x);
}
inline Real atan(Real x) {
    return atanq(x);
}
inline Real floor(Real x) {
    return floorq(x);
}
inline Real ceil(Real x) {
    return ceilq(x);
}
inline Real trunc(Real x) {
    return truncq(x);
}
inline Real round(Real x) {
    return roundq(x);
}
inline Real fmod(Real x, Real y) {
    return fmodq(x, y);
}
inline Real lgamma(Real x) {
    return lgammaq(x);
}
inline Real erfc(Real x) {
    return erfcq(x);
}
inline bool isnan(Real x) {
    return isnanq(x);
}
inline bool isinf(Real x) {
    return isinfq(x);
}
inline const Real PI = M_PIq;

} // namespace tarvex::qm
