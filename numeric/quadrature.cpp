// Tanh-sinh quadrature in binary128 through Boost.Math on boost::multiprecision::float128 (the
// same bits as Real): one table of abscissas and weights, built at the first call and kept.
#include "numeric/quadrature.hpp"

#include "numeric/qmath.hpp"

#include <boost/math/quadrature/tanh_sinh.hpp>
#include <boost/multiprecision/float128.hpp>

#include <cstddef>

namespace tarvex {

namespace {

using Quad = boost::multiprecision::float128;

// Step halvings allowed; each doubles the abscissas of the previous level.
constexpr std::size_t QUADRATURE_MAX_LEVELS = 18;
// What the refinement aims at: a few units in the last place.
const Quad QUADRATURE_AIM = Quad(1e-33Q);

boost::math::quadrature::tanh_sinh<Quad>& quadrature_table() {
    static boost::math::quadrature::tanh_sinh<Quad> table(QUADRATURE_MAX_LEVELS);
    return table;
}

QuadratureResult integrate_ordered(const std::function<Real(Real)>& f, Real a, Real b) {
    QuadratureResult out;
    auto g = [&](Quad x) -> Quad {
        ++out.evaluations;
        return Quad(f(x.backend().value()));
    };
    Quad error = 0, l1 = 0;
    std::size_t levels = 0;
    const Quad qa(a), qb(b);
    const Quad v = quadrature_table().integrate(g, qa, qb, QUADRATURE_AIM, &error, &l1, &levels);
    out.value = v.backend().value();
    out.error = error.backend().value();
    out.l1 = l1.backend().value();
    out.levels = static_cast<int>(levels);
    out.converged = out.error <= QUADRATURE_TOLERANCE * out.l1 && !qm::isnan(out.value);
    return out;
}

} // namespace

QuadratureResult integrate_double_exponential(const std::function<Real(Real)>& f, Real a, Real b) {
    if (a == b) {
        QuadratureResult zero;
        zero.converged = true;
        return zero;
    }
    if (a > b) {
        QuadratureResult r = integrate_ordered(f, b, a);
        r.value = -r.value;
        return r;
    }
    return integrate_ordered(f, a, b);
}

} // namespace tarvex
