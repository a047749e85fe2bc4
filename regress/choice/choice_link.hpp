// The two links of the binary models and the normal functions TOBIT shares with PROBIT: for an
// index s, log F(s), its first derivative and minus its second, computed so that they stay
// accurate far in the tails (F(s) is never formed as 1 - something small and then logged), and
// the probability F(z) and density f(z) the reports and FCAST use.
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

enum class ChoiceLink { LOGIT, PROBIT };

// log F(s), d/ds log F(s) and -d2/ds2 log F(s). An observation with outcome y contributes
// log F(q z) with q = +1 for y = 1 and q = -1 for y = 0 (both links are symmetric).
struct LinkTerms {
    Real log_f = 0;
    Real score = 0;
    Real weight = 0;
};

// Without `with_weight` the weight is left 0: its division is saved when only the rest is wanted.
LinkTerms link_terms(ChoiceLink link, Real s, bool with_weight = true);

// Everything the report needs of one row at the index z with outcome `one`: the terms of
// log F(q z), the probability F(z), the density f(z) and its slope f'(z). Without `with_log`
// terms.log_f may be left 0: the logarithm's cost is saved when only the rest is wanted.
struct LinkRow {
    LinkTerms terms;
    Real probability = 0, density = 0, slope = 0;
};
LinkRow link_row(ChoiceLink link, Real z, bool one, bool with_log = true);
// F(z): the logistic function or the standard normal distribution function.
Real link_cdf(ChoiceLink link, Real z);
// f(z) = F'(z), and its derivative f'(z).
Real link_density(ChoiceLink link, Real z);
Real link_density_slope(ChoiceLink link, Real z);

// The standard normal density, and log Phi(s) with the inverse Mills ratio phi(s)/Phi(s).
Real normal_density(Real z);
struct NormalTail {
    Real log_cdf = 0;
    Real ratio = 0; // phi(s)/Phi(s)
};
NormalTail normal_tail(Real s);
Real normal_cdf(Real z);

} // namespace tarvex
