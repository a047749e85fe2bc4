// The elementary and special functions the expression language offers beyond the original
// table (COS, TAN, ATAN, ASIN, ACOS, SINH, COSH, TANH, ERF, ERFC, GAMMA, LOG10), each within one
// unit in the last place of binary128. Where libquadmath's routine is already that accurate it
// is called directly; the others get a correction step carried out in double-binary128.
// Arguments outside a function's domain give NaN; callers decide what a user sees.
#pragma once

#include "numeric/real.hpp"

namespace tarvex::elem {

Real cos(Real x);
Real tan(Real x);
Real atan(Real x);
Real asin(Real x); // NaN for |x| > 1
Real acos(Real x); // NaN for |x| > 1
Real sinh(Real x);
Real cosh(Real x);
Real tanh(Real x);
Real erf(Real x);
Real erfc(Real x);
Real gamma(Real x); // NaN at 0 and the negative integers; infinite past the overflow point
Real log10(Real x); // NaN for x <= 0

} // namespace tarvex::elem
