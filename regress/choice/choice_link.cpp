// The logistic and normal links in binary128. The logistic terms use e = exp(-|s|) only, so
// neither the log-likelihood nor the weights lose digits when a probability is near 0 or 1. The
// normal terms take the smaller of Phi and 1 - Phi from the table of normal_table.hpp (never as
// 1 minus the larger), and from the continued fraction of Mills' ratio beyond NORMAL_FAR_TAIL.
#include "regress/choice/choice_link.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/fast_divide.hpp"
#include "numeric/fast_exp.hpp"
#include "numeric/fast_log.hpp"
#include "numeric/qmath.hpp"
#include "regress/choice/normal_table.hpp"

namespace tarvex {

namespace {

const Real LOG_ROOT_2PI = 0.9189385332046727417803297364056176398614Q;
const Real INV_ROOT_2PI = 0.3989422804014326779399460599343818684759Q;
// Below this index log Phi comes from Mills' ratio: the continued fraction has converged to
// every digit there, and the table ends.
const Real NORMAL_FAR_TAIL = -NORMAL_TABLE_END;
const Real NORMAL_TABLE_LIMIT = NORMAL_TABLE_END;
constexpr int MILLS_TERMS = 90;
// Below this e, log(1 + e) is its series: 1 + e would drop the digits of e.
const Real LOG1P_SERIES_BELOW = 1e-5Q;

// log(1 + e) for 0 <= e <= 1, `u` the rounded 1 + e (which the caller has formed already).
Real log1p_positive(Real e, Real u) {
    if (e < LOG1P_SERIES_BELOW) { // e - e^2/2 + ... + e^7/7: the rest is below 2^-113 e
        Real sum = 0;
        for (int k = 7; k >= 1; --k) sum = e * ((k % 2 == 1 ? Real(1) : Real(-1)) / k + sum);
        return sum;
    }
    // log(u) e/(u - 1) with u = 1 + e rounded: u - 1 is exact, and the ratio puts back what
    // rounding u took from e (Goldberg's correction), to a few units in the last place.
    return fast_multiply(fast_log(u), fast_divide(e, fast_subtract(u, 1)));
}

Real log1p_positive(Real e) {
    return log1p_positive(e, fast_add(1, e));
}

// Mills' ratio (1 - Phi(x))/phi(x) for x >= 40, by its continued fraction
// 1/(x + 1/(x + 2/(x + 3/(x + ...)))) evaluated from the back.
Real mills_ratio(Real x) {
    Real tail = 0;
    for (int k = MILLS_TERMS; k >= 1; --k) tail = fast_divide(Real(k), x + tail);
    return fast_divide(Real(1), x + tail);
}

} // namespace

Real normal_density(Real z) {
    // -z*z/2 as a product by -1/2: the same bits, without a division.
    return fast_multiply(INV_ROOT_2PI, fast_exp(fast_multiply(fast_multiply(z, z), -0.5Q)));
}

namespace {

// 1 - Phi(x) for x >= 0.
Real upper_tail(Real x) {
    if (fast_less(x, NORMAL_TABLE_LIMIT) || x == NORMAL_TABLE_LIMIT) return normal_upper_tail(x);
    return normal_density(x) * mills_ratio(x);
}

} // namespace

Real normal_cdf(Real z) {
    if (z < 0) return upper_tail(-z);
    return 1 - upper_tail(z);
}

NormalTail normal_tail(Real s) {
    NormalTail t;
    if (fast_less(s, NORMAL_FAR_TAIL)) {
        const Real m = mills_ratio(-s);
        t.log_cdf = -s * s / 2 - LOG_ROOT_2PI + qm::log(m);
        t.ratio = fast_divide(Real(1), m);
        return t;
    }
    const Real phi = normal_density(s);
    if (fast_less(s, 0)) {
        const Real cdf = normal_upper_tail(-s);
        t.log_cdf = fast_log(cdf);
        t.ratio = fast_divide(phi, cdf);
        return t;
    }
    const Real upper = upper_tail(s); // 1 - Phi(s), at most 1/2
    const Real lower = fast_subtract(1, upper);
    t.log_cdf = -log1p_positive(fast_divide(upper, lower)); // log(1 - u) = -log(1 + u/(1 - u))
    t.ratio = fast_divide(phi, lower);
    return t;
}

LinkTerms link_terms(ChoiceLink link, Real s, bool with_weight) {
    LinkTerms t;
    if (link == ChoiceLink::LOGIT) {
        const Real e = fast_exp(-qm::abs(s)), one_e = fast_add(1, e);
        const Real l = log1p_positive(e, one_e);
        const bool below = fast_less(s, 0);
        t.log_f = below ? fast_subtract(s, l) : -l;
        t.score = below ? fast_divide(Real(1), one_e) : fast_divide(e, one_e);   // 1 - F(s)
        if (with_weight) t.weight = fast_divide(e, fast_multiply(one_e, one_e)); // F(s) (1 - F(s))
        return t;
    }
    const NormalTail n = normal_tail(s);
    t.log_f = n.log_cdf;
    t.score = n.ratio;
    if (with_weight) t.weight = fast_multiply(n.ratio, fast_add(s, n.ratio));
    return t;
}

LinkRow link_row(ChoiceLink link, Real z, bool one, bool with_log) {
    LinkRow r;
    const Real s = one ? z : -z;
    if (link == ChoiceLink::PROBIT) {
        r.density = normal_density(z);
        r.slope = -fast_multiply(z, r.density);
        if (fast_less(NORMAL_TABLE_LIMIT, qm::abs(z))) {
            r.terms = link_terms(link, s);
            r.probability = normal_cdf(z);
            return r;
        }
        // One tail value serves every term: Q = 1 - Phi(|z|), Phi(s) = Q or 1 - Q.
        const Real q = normal_upper_tail(qm::abs(z)), p = fast_subtract(1, q);
        const bool below = fast_less(s, 0);
        r.probability = fast_less(z, 0) ? q : p;
        const Real cdf = below ? q : p;
        if (with_log) r.terms.log_f = below ? fast_log(q) : -log1p_positive(fast_divide(q, p));
        r.terms.score = fast_divide(r.density, cdf);
        r.terms.weight = fast_multiply(r.terms.score, fast_add(s, r.terms.score));
        return r;
    }
    // One exponential serves every term: e = exp(-|z|), F(z) = 1/(1 + e) or e/(1 + e).
    const Real e = fast_exp(-qm::abs(z)), one_e = fast_add(1, e);
    const Real inverse = fast_divide(Real(1), one_e), e_inverse = fast_multiply(e, inverse);
    const bool below = fast_less(s, 0);
    if (with_log) {
        const Real l = log1p_positive(e, one_e);
        r.terms.log_f = below ? fast_subtract(s, l) : -l;
    }
    r.terms.score = below ? inverse : e_inverse;
    r.terms.weight = fast_multiply(e_inverse, inverse);
    r.probability = fast_less(z, 0) ? e_inverse : inverse;
    r.density = r.terms.weight;
    r.slope = fast_multiply(r.density, fast_subtract(1, fast_multiply(2, r.probability)));
    return r;
}

Real link_cdf(ChoiceLink link, Real z) {
    if (link == ChoiceLink::PROBIT) return normal_cdf(z);
    const Real e = fast_exp(-qm::abs(z));
    return z >= 0 ? 1 / (1 + e) : e / (1 + e);
}

Real link_density(ChoiceLink link, Real z) {
    if (link == ChoiceLink::PROBIT) return normal_density(z);
    const Real e = fast_exp(-qm::abs(z));
    return e / ((1 + e) * (1 + e));
}

Real link_density_slope(ChoiceLink link, Real z) {
    if (link == ChoiceLink::PROBIT) return -z * normal_density(z);
    return link_density(link, z) * (1 - 2 * link_cdf(link, z));
}

} // namespace tarvex
