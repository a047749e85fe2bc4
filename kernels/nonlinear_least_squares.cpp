// Levenberg-Marquardt on the exact cross-product matrix of [J r], solved in double-binary128.
#include "kernels/convergence.hpp"
#include "kernels/nonlinear_least_squares.hpp"

#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/symmetric_solve.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// lambda beyond this: the steps are far below any tolerance; no step can lower the SSE.
const Real LAMBDA_LIMIT = 1e40Q;
// Damping below this is taken as none (pure Gauss-Newton steps).
const Real LAMBDA_FLOOR = 1e-40Q;
// A damped system is never dependent in the sense of the undamped test; only an exactly zero
// remaining sum of squares stops its factor.
const Real DAMPED_DEPENDENCE_RATIO = 0;

GramColumns columns_of(int n, int k, const std::vector<Real>& jacobian,
                       const std::vector<Real>& residuals) {
    GramColumns c;
    c.nobs = static_cast<std::size_t>(n);
    for (int j = 0; j < k; ++j) c.columns.push_back(jacobian.data() + std::size_t(j) * n);
    c.columns.push_back(residuals.data());
    return c;
}

// The matrix with its K regressor diagonal elements multiplied by 1 + lambda.
GramMatrix damped(const GramMatrix& gram, int k, Real lambda) {
    GramMatrix d = gram;
    if (lambda == 0) return d;
    const Wide factor = wide(1 + lambda);
    for (int j = 0; j < k; ++j) {
        Wide& e = d.entries[static_cast<std::size_t>(j) * (j + 1) / 2 + static_cast<std::size_t>(j)];
        e = e * factor;
    }
    return d;
}

} // namespace

NlsResult nonlinear_least_squares(int nobs, const std::vector<Real>& start,
                                  const NlsEvaluate& evaluate, const NlsControl& control) {
    const int k = static_cast<int>(start.size());
    const std::size_t n = static_cast<std::size_t>(nobs);
    NlsResult out;
    out.parameters = start;
    out.residuals.assign(n, 0);
    out.jacobian.assign(n * std::size_t(k), 0);
    int failed = -1;
    if (!evaluate(out.parameters, out.residuals.data(), out.jacobian.data(), failed)) {
        out.status = NlsStatus::UNDEFINED_AT_START;
        out.failed_row = failed;
        return out;
    }
    out.sse = ls_detail::sum_of_squares(out.residuals.data(), nobs);
    std::vector<Real> trial(k), trial_residuals(n);
    Real lambda = control.lambda_start;
    bool converged = false;
    for (int iteration = 1; iteration <= control.max_iterations && !converged; ++iteration) {
        const GramMatrix gram = exact_gram(columns_of(nobs, k, out.jacobian, out.residuals));
        bool taken = false;
        while (!taken) {
            const GramFit step = gram_cholesky_solve(damped(gram, k, lambda), nobs,
                                                     DAMPED_DEPENDENCE_RATIO);
            if (!step.ok()) {
                out.status = NlsStatus::SINGULAR;
                out.dependent_parameter = step.failed_column;
                out.iterations = iteration;
                return out;
            }
            for (int j = 0; j < k; ++j) trial[j] = out.parameters[j] + step.coef[j];
            int row = -1;
            const bool defined = evaluate(trial, trial_residuals.data(), nullptr, row);
            const Real sse =
                defined ? ls_detail::sum_of_squares(trial_residuals.data(), nobs) : Real(0);
            if (defined && sse < out.sse) {
                const bool small = small_change(step.coef, out.parameters, control.parameter_tolerance);
                const bool sse_settled =
                    out.sse - sse <= control.sse_tolerance * out.sse;
                out.parameters = trial;
                out.sse = sse;
                evaluate(out.parameters, out.residuals.data(), out.jacobian.data(), row);
                lambda = lambda / 10 < LAMBDA_FLOOR ? Real(0) : lambda / 10;
                converged = small && sse_settled;
                taken = true;
            } else {
                // No lower sum of squares along this step: when the step is already below the
                // tolerance, the minimum is found to the precision of the arithmetic.
                if (defined && small_change(step.coef, out.parameters, control.parameter_tolerance)) {
                    converged = true;
                    break;
                }
                lambda = lambda == 0 ? LAMBDA_FLOOR * 10 : lambda * 10;
                if (lambda > LAMBDA_LIMIT) {
                    out.status = NlsStatus::STUCK;
                    out.iterations = iteration;
                    break;
                }
            }
        }
        out.iterations = iteration;
        out.history.push_back({iteration, out.sse, lambda, out.parameters});
        if (out.status == NlsStatus::STUCK) break;
    }
    if (!converged && out.status == NlsStatus::CONVERGED) out.status = NlsStatus::ITERATION_LIMIT;
    // The covariance factor at the parameters returned, undamped.
    const GramFit last = gram_cholesky_solve(
        exact_gram(columns_of(nobs, k, out.jacobian, out.residuals)), nobs, DEPENDENCE_RATIO);
    if (!last.ok()) {
        if (out.status == NlsStatus::CONVERGED) out.status = NlsStatus::SINGULAR;
        out.dependent_parameter = last.failed_column;
        return out;
    }
    out.jtj_inverse = last.xtx_inverse; // symmetric: row-major and column-major agree
    return out;
}

std::vector<Real> sandwich_covariance(int nobs, int nparm, const std::vector<Real>& jacobian,
                                      const std::vector<Real>& residuals,
                                      const std::vector<Real>& jtj_inverse) {
    GramColumns c;
    c.nobs = static_cast<std::size_t>(nobs);
    for (int j = 0; j < nparm; ++j) c.columns.push_back(jacobian.data() + std::size_t(j) * nobs);
    c.row_scale = residuals.data();
    const GramMatrix meat = exact_gram(c);
    const std::size_t k = static_cast<std::size_t>(nparm);
    std::vector<Real> m(k * k);
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b) m[a * k + b] = meat.at(int(a), int(b)).hi;
    return sandwich_product(jtj_inverse, m, nparm);
}

} // namespace tarvex
