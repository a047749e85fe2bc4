// The cointegrating regression of the Engle-Granger test: estimate and report.
#include "regress/coint/engle_granger.hpp"

#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/exact_gram.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/least_squares.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/coint/coint_options.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

CointRegression cointegrating_regression(const std::vector<Real>& y,
                                         const std::vector<std::vector<Real>>& x) {
    CointRegression r;
    EstimationResults& s = r.result.record;
    const std::size_t n = y.size();
    const int k = int(x.size());
    GramColumns cols;
    cols.nobs = n;
    for (const std::vector<Real>& c : x) cols.columns.push_back(c.empty() ? nullptr : c.data());
    cols.columns.push_back(y.data());
    const GramFit g = gram_least_squares(cols, DEPENDENCE_RATIO);
    s.n = int(n);
    s.k = k;
    if (!g.ok()) {
        r.ok = false;
        r.failed_column = g.failed_column;
        return r;
    }
    s.coef = g.coef;
    s.sse = g.sse;
    s.df = s.n - k;
    const Real sigma2 = g.sse / Real(s.df);
    s.xtx_inv.resize(std::size_t(k) * k);
    s.cov.resize(std::size_t(k) * k);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
            s.xtx_inv[std::size_t(a) * k + b] = g.inverse_at(a, b);
            s.cov[std::size_t(a) * k + b] = sigma2 * g.inverse_at(a, b);
        }
    standard_errors_and_ratios(s.coef, s.cov, s.stderrs, s.tratios);
    s.predicted.assign(n, Real(0));
    for (int j = 0; j < k; ++j)
        for (std::size_t i = 0; i < n; ++i)
            s.predicted[i] += s.coef[j] * (x[j].empty() ? Real(1) : x[j][i]);
    s.residuals.resize(n);
    Real mean = 0;
    for (std::size_t i = 0; i < n; ++i) {
        s.residuals[i] = y[i] - s.predicted[i];
        mean += y[i];
    }
    mean /= Real(n);
    Real sst = 0;
    for (Real v : y) sst += (v - mean) * (v - mean);
    s.rsqr = sst > 0 ? 1 - s.sse / sst : Real(0);
    s.sigma = qm::sqrt(sigma2);
    s.intercept = true;
    infer_coefficients(r.result);
    r.result.set_scalar(R_SSE, s.sse);
    r.result.set_scalar(R_SIG2, sigma2);
    r.result.set_scalar(R_R2, s.rsqr);
    return r;
}

void report_cointegrating_regression(Run& run, const EstimationEquation& eq,
                                     const CointRegression& r, const CointOptions& o) {
    const EstimationResults& s = r.result.record;
    std::vector<std::string> names;
    for (const OlsTerm& t : eq.terms) names.push_back(t.name);
    if (run.flags.OPUT) {
        write_line(run, " ENGLE-GRANGER COINTEGRATION TEST");
        write_line(run,
                   fmt_I_fitted(s.n, 9) + " OBSERVATIONS     DEPENDENT VARIABLE= " + eq.dep_name);
        write_line(run, " R-SQUARED =" + fmt_F_fitted(s.rsqr, 10, 6) +
                            "     SUM OF SQUARED RESIDUALS =" + fmt_G(s.sse, 14, 7));
        write_line(run, " ");
        CoefficientTable t = coefficient_table(r.result);
        t.label = " COINTEGRATING REGRESSION:";
        t.names = names;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_coefficient_matrices(run, names, s.cov, o.PCOV, o.PCOR, o.WIDE);
        write_line(run, " ");
    }
}

} // namespace tarvex
