// The distribution command's families on Boost.Math in boost::multiprecision::float128 (the
// same __float128 as Real). All Boost code stays in this file, which compiles on its own.
#include "numeric/distribution_family.hpp"

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/complement.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/poisson.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/multiprecision/float128.hpp>

#include "numeric/boost_lazy_tables.hpp"

namespace tarvex::dist {

namespace {

using Big = boost::multiprecision::float128;
namespace pol = boost::math::policies;

// Errors become NaN (errno), and a discrete quantile is the smallest whole x whose
// distribution function reaches p.
using FamilyPolicy =
    pol::policy<pol::domain_error<pol::errno_on_error>, pol::pole_error<pol::errno_on_error>,
                pol::overflow_error<pol::errno_on_error>, pol::underflow_error<pol::ignore_error>,
                pol::denorm_error<pol::ignore_error>, pol::evaluation_error<pol::errno_on_error>,
                pol::rounding_error<pol::errno_on_error>,
                pol::indeterminate_result_error<pol::errno_on_error>,
                pol::discrete_quantile<pol::integer_round_up>, pol::promote_float<false>,
                pol::promote_double<false>>;

const Real FAMILY_NAN = nanq("");

Real family_plain(const Big& value) {
    return value.backend().value();
}

bool whole(Real x) {
    return floorq(x) == x;
}

enum class Want { DENSITY, LOWER, UPPER, QUANTILE };

template <class Distribution>
Real evaluate(const Distribution& d, Want want, Real x) {
    switch (want) {
    case Want::DENSITY:
        return family_plain(boost::math::pdf(d, Big(x)));
    case Want::LOWER:
        return family_plain(boost::math::cdf(d, Big(x)));
    case Want::UPPER:
        return family_plain(boost::math::cdf(boost::math::complement(d, Big(x))));
    case Want::QUANTILE:
        return family_plain(boost::math::quantile(d, Big(x)));
    }
    return FAMILY_NAN;
}

// Values outside the support are answered here: Boost calls them domain errors for some
// families (a negative chi-square, a beta value above 1).
bool outside_support(const FamilyParameters& d, Real x, Want want, Real& answer) {
    Real low = -__builtin_infq(), high = __builtin_infq();
    switch (d.family) {
    case Family::FISHER_F:
    case Family::CHI_SQUARE:
    case Family::GAMMA:
    case Family::POISSON:
        low = 0;
        break;
    case Family::BETA:
        low = 0, high = 1;
        break;
    case Family::BINOMIAL:
        low = 0, high = d.first;
        break;
    default:
        break;
    }
    if (x < low)
        answer = want == Want::UPPER ? 1 : 0;
    else if (x > high)
        answer = want == Want::LOWER ? 1 : 0;
    else if (isinfq(x))
        answer = want == Want::DENSITY ? 0 : (x > 0) == (want == Want::LOWER);
    else
        return false;
    return true;
}

Real dispatch(const FamilyParameters& d, Want want, Real x) {
    if (!parameters_valid(d) || isnanq(x)) return FAMILY_NAN;
    if (want == Want::QUANTILE) {
        if (x < 0 || x > 1) return FAMILY_NAN;
    } else {
        Real answer = 0;
        if (outside_support(d, x, want, answer)) return answer;
        if (is_discrete(d.family)) {
            if (want == Want::DENSITY && !whole(x)) return 0;
            x = floorq(x); // the distribution function is a step function
        }
    }
    const Big a(d.first), b(d.second);
    switch (d.family) {
    case Family::NORMAL:
        return evaluate(boost::math::normal_distribution<Big, FamilyPolicy>(a, sqrt(b)), want, x);
    case Family::STUDENT_T:
        return evaluate(boost::math::students_t_distribution<Big, FamilyPolicy>(a), want, x);
    case Family::FISHER_F:
        return evaluate(boost::math::fisher_f_distribution<Big, FamilyPolicy>(a, b), want, x);
    case Family::CHI_SQUARE:
        return evaluate(boost::math::chi_squared_distribution<Big, FamilyPolicy>(a), want, x);
    case Family::GAMMA:
        return evaluate(boost::math::gamma_distribution<Big, FamilyPolicy>(a, b), want, x);
    case Family::BETA:
        return evaluate(boost::math::beta_distribution<Big, FamilyPolicy>(a, b), want, x);
    case Family::BINOMIAL:
        return evaluate(boost::math::binomial_distribution<Big, FamilyPolicy>(a, b), want, x);
    case Family::POISSON:
        return evaluate(boost::math::poisson_distribution<Big, FamilyPolicy>(a), want, x);
    }
    return FAMILY_NAN;
}

} // namespace

bool is_discrete(Family family) {
    return family == Family::BINOMIAL || family == Family::POISSON;
}

bool parameters_valid(const FamilyParameters& d) {
    const Real a = d.first, b = d.second;
    if (isnanq(a) || isnanq(b) || isinfq(a) || isinfq(b)) return false;
    switch (d.family) {
    case Family::NORMAL:
        return b > 0;
    case Family::STUDENT_T:
    case Family::CHI_SQUARE:
    case Family::POISSON:
        return a > 0;
    case Family::FISHER_F:
    case Family::GAMMA:
    case Family::BETA:
        return a > 0 && b > 0;
    case Family::BINOMIAL:
        return a >= 0 && whole(a) && b >= 0 && b <= 1;
    }
    return false;
}

Real family_density(const FamilyParameters& d, Real x) {
    return dispatch(d, Want::DENSITY, x);
}
Real family_lower(const FamilyParameters& d, Real x) {
    return dispatch(d, Want::LOWER, x);
}
Real family_upper(const FamilyParameters& d, Real x) {
    return dispatch(d, Want::UPPER, x);
}
Real family_quantile(const FamilyParameters& d, Real p) {
    return dispatch(d, Want::QUANTILE, p);
}

} // namespace tarvex::dist
