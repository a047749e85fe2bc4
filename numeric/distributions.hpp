// Distribution functions of the test statistics: lower and upper tail probabilities and quantiles
// of the normal, Student t, chi-square and F distributions, in binary128 over the whole range
// (tails are computed directly, never as 1 - P, so they stay accurate down to the smallest
// subnormal numbers). Arguments out of the domain (negative degrees of freedom, NaN, a
// probability outside [0, 1]) give NaN; nothing here throws.
#pragma once

#include "numeric/real.hpp"

namespace tarvex::dist {

// Standard normal: P(Z <= x), P(Z > x), and x with P(Z <= x) = p or P(Z > x) = q.
Real normal_lower(Real x);
Real normal_upper(Real x);
Real normal_quantile(Real p);
Real normal_upper_quantile(Real q);

// Student t with `df` > 0 degrees of freedom (not necessarily whole).
Real student_t_lower(Real x, Real df);
Real student_t_upper(Real x, Real df);
Real student_t_quantile(Real p, Real df);
Real student_t_upper_quantile(Real q, Real df);

// Chi-square with `df` > 0 degrees of freedom; P(X <= x) is 0 for x <= 0.
Real chi_square_lower(Real x, Real df);
Real chi_square_upper(Real x, Real df);
Real chi_square_quantile(Real p, Real df);
Real chi_square_upper_quantile(Real q, Real df);

// F with `df1`, `df2` > 0 degrees of freedom; P(F <= x) is 0 for x <= 0.
Real f_lower(Real x, Real df1, Real df2);
Real f_upper(Real x, Real df1, Real df2);
Real f_quantile(Real p, Real df1, Real df2);
Real f_upper_quantile(Real q, Real df1, Real df2);

// The p-value of an F statistic as the regression reports print it: P(F(df1, df2) > x), but 0
// when x is exactly 0 (the report's convention for a statistic that was not formed). The
// t-ratio p-values use it with df1 = 1 and x = t squared.
Real f_test_pvalue(Real x, Real df1, Real df2);

} // namespace tarvex::dist
