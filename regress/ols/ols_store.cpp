// The named output variables of a regression: PREDICT, RESID and HATDIAG by observation (the
// missing-value code where an observation was not used), COEFFICE, STDERR and TRATIO with one
// element per coefficient, and COVARIAN as a K by K matrix.
#include "regress/ols/ols_report.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

void store_last_estimation(Run& run, const OlsFit& fit, const OlsOptions& o, Real r2) {
    EstimationResults& e =
        new_estimation_record(run, fit.label.find("IMLS") != std::string::npos ? "IMLS" : "OLSQ",
                              fit.dep_ref, fit.dep_lag, fit.dep_name, fit.terms);
    e.coef = fit.coef;
    e.cov = fit.cov;
    e.xtx_inv = fit.xtx_inv;
    e.stderrs = fit.se;
    e.tratios = fit.tstat;
    // obs, predicted and residuals, the size of the data, are moved in by OLSEST once the
    // report is written, not copied.
    e.weights = fit.w;
    e.recursive = fit.recursive;
    e.n = fit.n;
    e.k = fit.k;
    e.beg = fit.beg;
    e.end = fit.end;
    e.sse = fit.sse;
    e.sst = fit.sst;
    e.raw = fit.raw;
    e.rsqr = r2;
    e.df = fit.df;
    e.sigma = fit.sigma;
    e.ridge = o.RIDGE;
    for (Real w : fit.w) e.swt += w;
    e.log_dependent = fit.log_dependent;
    e.log_regressors = fit.log_regressors;
    e.intercept = fit.has_intercept;
    e.asymptotic = o.DN;
}

void store_ols_variables(Run& run, const OlsFit& fit, const OlsOptions& o) {
    if (!store_by_observation(run, o.PREDICT, fit.end, fit.obs, fit.fitted)) return;
    if (!store_by_observation(run, o.RESID, fit.end, fit.obs, fit.resid)) return;
    if (!store_by_observation(run, o.HATDIAG, fit.end, fit.obs, fit.hat)) return;
    store_coefficient_outputs(run, o.COEFFICE, o.STDERR, o.TRATIO, o.COVARIAN, fit.coef, fit.se,
                              fit.tstat, fit.cov);
}

} // namespace tarvex
