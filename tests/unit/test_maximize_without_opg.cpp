// Newton's method on a log-likelihood whose Hessian is not negative definite, for a model that
// forms no outer product of the scores: the fit ends as singular at the parameter whose
// curvature failed, where it used to read an outer product that was never formed.
#include "kernels/maximize_likelihood.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

// log L = -(a - 1)**2 + c**2: concave in a, convex in c; the outer product is never given.
bool convex_in_second(const std::vector<Real>& b, const LikelihoodNeeds& needs,
                      LikelihoodPoint& point, int&) {
    const Real a = b[0] - 1, c = b[1];
    point.llf = -a * a + c * c;
    if (needs.gradient) point.gradient = {-2 * a, 2 * c};
    if (needs.hessian) point.hessian = {-2, 0, 0, 2};
    point.opg.clear();
    return true;
}

TEST(MaximizeWithoutOuterProduct, NotConcaveEndsSingularAtTheFailingParameter) {
    MaximizeControl control;
    const MaximizeResult r =
        maximize_likelihood({Real(0.5), Real(0.25)}, convex_in_second, control, true);
    EXPECT_EQ(r.status, MaximizeStatus::SINGULAR);
    EXPECT_EQ(r.dependent_parameter, 1);
}

} // namespace
} // namespace tarvex
