// Boost.Math's tables for erf and its inverse, the gamma functions (log gamma, the incomplete
// gamma function, the Lanczos sums), expm1 and log1p in float128 built on first use, not at load.
// Included after the Boost.Math headers by every file that evaluates Boost.Math functions in
// boost::multiprecision::float128, so that all of them see the same definitions.
//
// Boost.Math evaluates these functions at a few points while the library loads, so that their
// constant tables exist before any thread runs: a cost every run paid at start-up (more than
// half of an empty run's instructions for erf, a fifth for the gamma functions). The tables are
// function-local statics, which the language initialises safely on first use, so for this type the
// early calls are left out; the values computed are the same.
#pragma once

#include <boost/math/special_functions/erf.hpp>
#include <boost/math/special_functions/expm1.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/special_functions/lanczos.hpp>
#include <boost/math/special_functions/log1p.hpp>
#include <boost/multiprecision/float128.hpp>

namespace boost::math::detail {
template <class Policy, class Tag>
struct erf_initializer<boost::multiprecision::float128, Policy, Tag> {
    static void force_instantiate() {}
};
template <class Policy>
struct erf_inv_initializer<boost::multiprecision::float128, Policy> {
    static void force_instantiate() {}
};
template <class Policy>
struct igamma_initializer<boost::multiprecision::float128, Policy> {
    static void force_instantiate() {}
};
template <class Policy>
struct lgamma_initializer<boost::multiprecision::float128, Policy> {
    static void force_instantiate() {}
};
template <class Policy, class Tag>
struct expm1_initializer<boost::multiprecision::float128, Policy, Tag> {
    static void force_instantiate() {}
};
template <class Policy, class Tag>
struct log1p_initializer<boost::multiprecision::float128, Policy, Tag> {
    static void force_instantiate() {}
};
} // namespace boost::math::detail

namespace boost::math::lanczos {
template <class Lanczos>
struct lanczos_initializer<Lanczos, boost::multiprecision::float128> {
    static void force_instantiate() {}
};
} // namespace boost::math::lanczos
