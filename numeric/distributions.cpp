// Distribution functions on binary128: the normal distribution in double-binary128 (its quantile
// starting from Boost's), the others computed by the Boost.Math incomplete gamma and beta
// functions in boost::multiprecision::float128 (which wraps the same __float128). All Boost code
// of the engine lives in this one file: it is slow to compile and its types stay out of headers.
#include "numeric/distributions.hpp"

#include "numeric/f_tail.hpp"
#include "numeric/wide_functions.hpp"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/complement.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/multiprecision/float128.hpp>

#include "numeric/boost_lazy_tables.hpp"

namespace tarvex::dist {
namespace {

using Big = boost::multiprecision::float128;

// Errors become NaN (domain) or infinity (overflow, a quantile at probability 0 or 1); a result
// below the normal range is kept as the subnormal value, never flushed or reported.
using Policy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::errno_on_error>,
    boost::math::policies::pole_error<boost::math::policies::errno_on_error>,
    boost::math::policies::overflow_error<boost::math::policies::errno_on_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::denorm_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::errno_on_error>,
    boost::math::policies::rounding_error<boost::math::policies::errno_on_error>,
    boost::math::policies::indeterminate_result_error<boost::math::policies::errno_on_error>,
    boost::math::policies::promote_float<false>, boost::math::policies::promote_double<false>>;

const Real NOT_A_NUMBER = nanq("");
const Real INFINITE = __builtin_infq();
const Real INV_SQRT_2PI = 0.398942280401432677939946059934381868Q;

Real plain(const Big& value) {
    return value.backend().value();
}

bool bad_probability(Real p) {
    return isnanq(p) || p < 0 || p > 1;
}
bool bad_freedom(Real df) {
    return isnanq(df) || !(df > 0);
}

// Lower or upper tail of a distribution at x, with the infinite ends answered here so that Boost
// only ever sees finite arguments.
template <class Distribution>
Real tail(const Distribution& distribution, Real x, bool upper) {
    if (isnanq(x)) return NOT_A_NUMBER;
    if (isinfq(x)) return (x > 0) != upper ? 1 : 0;
    const Big value = upper ? boost::math::cdf(boost::math::complement(distribution, Big(x)))
                            : boost::math::cdf(distribution, Big(x));
    return plain(value);
}

template <class Distribution>
Real inverse(const Distribution& distribution, Real p, bool upper) {
    if (bad_probability(p)) return NOT_A_NUMBER;
    const Big value = upper ? boost::math::quantile(boost::math::complement(distribution, Big(p)))
                            : boost::math::quantile(distribution, Big(p));
    return plain(value);
}

using Normal = boost::math::normal_distribution<Big, Policy>;
using StudentT = boost::math::students_t_distribution<Big, Policy>;
using ChiSquare = boost::math::chi_squared_distribution<Big, Policy>;
using FisherF = boost::math::fisher_f_distribution<Big, Policy>;

// Chi-square and F put no mass below 0: those tails are answered without Boost, which would
// call a negative argument a domain error.
Real positive_tail(Real x, bool upper) {
    return upper ? 1 : 0;
}

// Beyond this |t| the square t*t that the incomplete beta function is given overflows, yet the
// tail, about t^-df, may still be representable (down to 1e-4932 with df = 1).
const Real FAR_T = 1e1000Q;

// P(T > t) for t > FAR_T: I_z(df/2, 1/2)/2 with z = df/(df + t^2) below 1e-1900, where the
// incomplete beta function is z^a/(a B(a, 1/2)) to a relative error of order z.
Real far_t_tail(Real t, Real df) {
    const Real a = df / 2;
    const Real log_z = logq(df) - 2 * logq(t);
    const Real log_beta = lgammaq(a) + lgammaq(0.5Q) - lgammaq(a + 0.5Q);
    return expq(a * log_z - logq(a) - log_beta) / 2;
}

} // namespace

// The normal distribution function in double-binary128, rounded once: within one unit in the
// last place down to the smallest subnormal tail.
Real normal_lower(Real x) {
    if (isnanq(x)) return NOT_A_NUMBER;
    if (isinfq(x)) return x > 0 ? 1 : 0;
    const Wide value = wide_fn::normal_cdf(x);
    return value.hi + value.lo;
}
Real normal_upper(Real x) {
    return isnanq(x) ? NOT_A_NUMBER : normal_lower(-x);
}

// The quantile: Boost's value (a few units off, and not the same from one compiler to the
// next) corrected by Newton steps x -= (P(Z <= x) - p) / phi(x) whose residual is formed in
// double-binary128; one step leaves an error far below the final rounding, a second is taken
// only when the first moved x by more than a few units.
Real normal_quantile(Real p) {
    if (bad_probability(p)) return NOT_A_NUMBER;
    if (p == 0) return -INFINITE;
    if (p == 1) return INFINITE;
    if (p == 0.5Q) return 0;
    if (p > 0.5Q) return -normal_quantile(1 - p); // 1 - p is exact for p >= 1/2
    Real x = inverse(Normal(), p, false);
    if (isinfq(x) || isnanq(x)) return x;
    for (int step = 0; step < 3; ++step) {
        // Near the centre the residual is erf(x/sqrt 2)/2 - (p - 1/2), with p - 1/2 exact and
        // erf accurate relative to itself, so that a tiny x keeps all its digits.
        const Wide residual = p >= 0.25Q
                                  ? wide_scaled(wide_fn::erf_over_sqrt2(x), -1) - wide(p - 0.5Q)
                                  : wide_fn::normal_cdf(x) - wide(p);
        const Real density = expq(-x * x / 2) * INV_SQRT_2PI;
        if (!(density > 0)) break;
        const Real correction = (residual.hi + residual.lo) / density;
        x -= correction;
        if (!(fabsq(correction) > 0x1p-108Q * fabsq(x))) break;
    }
    return x;
}
Real normal_upper_quantile(Real q) {
    return bad_probability(q) ? NOT_A_NUMBER : -normal_quantile(q);
}

Real student_t_lower(Real x, Real df) {
    if (bad_freedom(df)) return NOT_A_NUMBER;
    if (fabsq(x) > FAR_T && !isinfq(x)) return x < 0 ? far_t_tail(-x, df) : 1;
    return tail(StudentT(Big(df)), x, false);
}
Real student_t_upper(Real x, Real df) {
    if (bad_freedom(df)) return NOT_A_NUMBER;
    if (fabsq(x) > FAR_T && !isinfq(x)) return x > 0 ? far_t_tail(x, df) : 1;
    return tail(StudentT(Big(df)), x, true);
}
Real student_t_quantile(Real p, Real df) {
    return bad_freedom(df) ? NOT_A_NUMBER : inverse(StudentT(Big(df)), p, false);
}
Real student_t_upper_quantile(Real q, Real df) {
    return bad_freedom(df) ? NOT_A_NUMBER : inverse(StudentT(Big(df)), q, true);
}

Real chi_square_lower(Real x, Real df) {
    if (bad_freedom(df) || isnanq(x)) return NOT_A_NUMBER;
    return x <= 0 ? positive_tail(x, false) : tail(ChiSquare(Big(df)), x, false);
}
Real chi_square_upper(Real x, Real df) {
    if (bad_freedom(df) || isnanq(x)) return NOT_A_NUMBER;
    return x <= 0 ? positive_tail(x, true) : tail(ChiSquare(Big(df)), x, true);
}
Real chi_square_quantile(Real p, Real df) {
    return bad_freedom(df) ? NOT_A_NUMBER : inverse(ChiSquare(Big(df)), p, false);
}
Real chi_square_upper_quantile(Real q, Real df) {
    return bad_freedom(df) ? NOT_A_NUMBER : inverse(ChiSquare(Big(df)), q, true);
}

Real f_lower(Real x, Real df1, Real df2) {
    if (bad_freedom(df1) || bad_freedom(df2) || isnanq(x)) return NOT_A_NUMBER;
    return x <= 0 ? positive_tail(x, false) : tail(FisherF(Big(df1), Big(df2)), x, false);
}
Real f_upper(Real x, Real df1, Real df2) {
    if (bad_freedom(df1) || bad_freedom(df2) || isnanq(x)) return NOT_A_NUMBER;
    // Whole degrees of freedom of moderate size (the regression reports' t and F tests) by the
    // continued fraction alone, without Boost's general machinery.
    Real direct = 0;
    if (f_upper_direct(x, df1, df2, direct)) return direct;
    return x <= 0 ? positive_tail(x, true) : tail(FisherF(Big(df1), Big(df2)), x, true);
}
Real f_quantile(Real p, Real df1, Real df2) {
    if (bad_freedom(df1) || bad_freedom(df2)) return NOT_A_NUMBER;
    return inverse(FisherF(Big(df1), Big(df2)), p, false);
}
Real f_upper_quantile(Real q, Real df1, Real df2) {
    if (bad_freedom(df1) || bad_freedom(df2)) return NOT_A_NUMBER;
    return inverse(FisherF(Big(df1), Big(df2)), q, true);
}

Real f_test_pvalue(Real x, Real df1, Real df2) {
    if (x == 0) return 0;
    return f_upper(x, df1, df2);
}

} // namespace tarvex::dist
