// The ellipse is e + sqrt(c) L (cos t, sin t) with L L' = V (Cholesky), t over a full turn at
// equal steps; every point satisfies the quadratic form with equality. Its extent along each
// axis is e_j +- sqrt(c V_jj), wider than the individual interval e_j +- t sqrt(V_jj).
#include "regress/graph/confidence_region.hpp"

#include "numeric/distributions.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

ConfidenceRegion confidence_region(const RegionInput& in) {
    ConfidenceRegion r;
    const Real v1 = in.cov[0], v12 = in.cov[1], v2 = in.cov[2];
    const Real det = v1 * v2 - v12 * v12;
    if (!(v1 > 0) || !(v2 > 0) || !(det > 0)) return r;
    r.positive = true;
    const Real tail = (1 - in.level) / 2;
    if (in.asymptotic) {
        r.radius2 = dist::chi_square_quantile(in.level, 2);
        r.critical = dist::normal_upper_quantile(tail);
    } else {
        r.radius2 = 2 * dist::f_quantile(in.level, 2, in.df);
        r.critical = dist::student_t_upper_quantile(tail, in.df);
    }
    r.stderrs = {sqrtq(v1), sqrtq(v2)};
    for (int j = 0; j < 2; ++j) {
        r.lower[j] = in.estimate[j] - r.critical * r.stderrs[j];
        r.upper[j] = in.estimate[j] + r.critical * r.stderrs[j];
    }
    // L = [l11 0; l21 l22].
    const Real l11 = r.stderrs[0], l21 = v12 / l11, l22 = sqrtq(det / v1);
    const Real scale = sqrtq(r.radius2);
    const int points = in.points < 8 ? 8 : in.points;
    for (int k = 0; k <= points; ++k) {
        const Real angle = k == points ? Real(0) : 2 * M_PIq * k / points;
        const Real c = cosq(angle), s = sinq(angle);
        r.x.push_back(in.estimate[0] + scale * l11 * c);
        r.y.push_back(in.estimate[1] + scale * (l21 * c + l22 * s));
    }
    return r;
}

} // namespace tarvex
