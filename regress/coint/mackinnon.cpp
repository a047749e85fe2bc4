// Evaluating MacKinnon's response surfaces.
#include "regress/coint/mackinnon.hpp"

#include "numeric/distributions.hpp"
#include "regress/coint/mackinnon_tables.hpp"

namespace tarvex {

namespace {

int case_of(Deterministic det) {
    return det == Deterministic::NONE ? 0 : det == Deterministic::CONSTANT ? 1 : 2;
}

} // namespace

bool mackinnon_covers(Deterministic det, int nvars) {
    return nvars >= 1 && nvars <= mackinnon::MAX_VARIABLES &&
           (det != Deterministic::NONE || nvars == 1);
}

Real mackinnon_pvalue(Real tau, Deterministic det, int nvars) {
    using namespace mackinnon;
    const int c = case_of(det), v = nvars - 1;
    if (tau > TAU_MAX[c][v]) return 1;
    if (tau < TAU_MIN[c][v]) return 0;
    Real z = 0;
    if (tau <= TAU_STAR[c][v]) {
        const Real* s = SMALL_P[c][v];
        z = s[0] + s[1] * tau + s[2] / 100 * tau * tau;
    } else {
        const Real* l = LARGE_P[c][v];
        z = l[0] + l[1] / 10 * tau + l[2] / 10 * tau * tau + l[3] / 100 * tau * tau * tau;
    }
    return dist::normal_lower(z);
}

std::array<Real, 3> mackinnon_critical_values(Deterministic det, int nvars, int nobs) {
    using namespace mackinnon;
    const int c = case_of(det), v = nvars - 1;
    const Real t = Real(1) / Real(nobs);
    std::array<Real, 3> out{};
    for (int level = 0; level < 3; ++level) {
        const Real* b = CRITICAL[c][v][level];
        out[level] = b[0] + t * (b[1] + t * (b[2] + t * b[3]));
    }
    return out;
}

} // namespace tarvex
