// Boost.Math's tables for erf and its inverse in float128 built on first use, not at load.
// Included after the Boost.Math headers by every file that evaluates Boost.Math functions in
// boost::multiprecision::float128, so that all of them see the same definitions.
//
// Boost.Math evaluates erf and its inverse at a few points while the library loads, so that
// their constant tables exist before any thread runs: a cost every run paid at start-up (more
// than half of an empty run's instructions). The tables are function-local statics, which the
// language initialises safely on first use, so for this type the early calls are left out; the
// values computed are the same.
#pragma once

#include <boost/math/special_functions/erf.hpp>
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
} // namespace boost::math::detail
