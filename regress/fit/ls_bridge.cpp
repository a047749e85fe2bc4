// The regression command's calls into the solvers (GSREG, the Householder solve, the moment
// matrix) and the distribution functions.
#include "regress/fit/ls_bridge.hpp"

#include "kernels/gram_schmidt.hpp"
#include "kernels/normal_equations.hpp"
#include "numeric/distributions.hpp"
#include "regress/fit/ols_options.hpp"

#include <cstddef>
#include <utility>

namespace tarvex {

namespace {

void take(LsSolution& out, LeastSquaresFit&& fit) {
    out.too_few = fit.status == SolveStatus::too_few_observations;
    out.singular = fit.status == SolveStatus::singular;
    if (fit.status == SolveStatus::dependent_column || fit.status == SolveStatus::singular)
        out.dependent_column = fit.failed_column + 1;
    if (!fit.ok()) return;
    out.coef = fit.coef;
    out.xtx_inv = fit.xtx_inverse;
    out.residuals = std::move(fit.residuals);
    out.sse = fit.sse;
}

} // namespace

LsSolution solve_least_squares(OlsMethod method, const std::vector<Real>& x,
                               const std::vector<Real>& y, int n, int k, Real ridge) {
    // The regressors (already column after column) and then y, copied straight in: the work
    // matrix is not filled with zeros first, a pass over every element saved.
    DataMatrix data;
    data.nobs = n;
    data.ncols = k + 1;
    data.values.reserve(std::size_t(n) * (k + 1));
    data.values.insert(data.values.end(), x.begin(), x.begin() + std::ptrdiff_t(n) * k);
    data.values.insert(data.values.end(), y.begin(), y.begin() + n);
    LsSolution out;
    switch (method) {
    case OlsMethod::GS:
        take(out, GSREG(data));
        break;
    case OlsMethod::HH: {
        HouseholderSolve solved = householder_solve(data);
        take(out, std::move(solved.fit));
        out.factor = std::move(solved.factor);
        out.factored = std::move(data);
        break;
    }
    case OlsMethod::NORMAL: {
        NormalOptions options;
        options.ridge = ridge;
        take(out, normal_equations_solve(data, options));
        break;
    }
    }
    return out;
}

Real f_tail(Real x, Real n1, Real n2) {
    if (!(n1 > 0) || !(n2 > 0) || !(x > 0)) return 0;
    return dist::f_test_pvalue(x, n1, n2);
}

Real chi2_tail(Real x, Real df) {
    if (!(df > 0)) return 0;
    return dist::chi_square_upper(x, df);
}

Real normal_quantile(Real p) {
    return dist::normal_quantile(p);
}

} // namespace tarvex
