// The named output variables of a regression: PREDICT, RESID and HATDIAG by observation (the
// missing-value code where an observation was not used), COEFFICE, STDERR and TRATIO with one
// element per coefficient, and COVARIAN as a K by K matrix.
#include "regress/ols/ols_report.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// Creates `name` with `length` elements (columns `ncol`) and returns its header, or false.
bool create(Run& run, const std::string& name, int type, long long length, int ncol,
            VarInfo& info) {
    int ref = 0;
    NEWVAR(run, trim_trailing_blanks(name), 1, type, length, ncol, ref);
    if (ref <= 0 || run.flags.ODONT) return false;
    return VINFO(run, ref, info);
}

bool store_by_observation(Run& run, const OlsFit& fit, const std::string& name,
                          const std::vector<Real>& values) {
    if (name_blank(name)) return true;
    VarInfo info;
    if (!create(run, name, TYPE_DATA, fit.end, 1, info)) return false;
    for (long long t = 1; t <= fit.end && t <= info.length; ++t)
        element(run, info, t) = run.ws.XMISS;
    for (int i = 0; i < fit.n; ++i)
        if (fit.obs[i] <= info.length) element(run, info, fit.obs[i]) = values[i];
    return true;
}

bool store_vector(Run& run, const std::string& name, const std::vector<Real>& values) {
    if (name_blank(name)) return true;
    VarInfo info;
    if (!create(run, name, TYPE_DATA, (long long)values.size(), 1, info)) return false;
    for (std::size_t j = 0; j < values.size(); ++j)
        element(run, info, (long long)j + 1) = values[j];
    return true;
}

} // namespace

void store_last_estimation(Run& run, const OlsFit& fit, const OlsOptions& o, Real r2) {
    EstimationResults& e = run.last_estimation;
    e = EstimationResults{};
    e.command = fit.label.find("IMLS") != std::string::npos ? "IMLS" : "OLSQ";
    e.dep_ref = fit.dep_ref;
    e.dep_lag = fit.dep_lag;
    e.dep_name = fit.dep_name;
    e.dep_variable = reference_name(run, fit.dep_ref);
    for (const OlsTerm& t : fit.terms) {
        e.names.push_back(t.name);
        e.variables.push_back(t.kind == TermKind::VARIABLE ? reference_name(run, t.ref)
                                                           : std::string());
        e.refs.push_back(t.ref);
        e.lags.push_back(t.lag);
    }
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
    if (!store_by_observation(run, fit, o.PREDICT, fit.fitted)) return;
    if (!store_by_observation(run, fit, o.RESID, fit.resid)) return;
    if (!store_by_observation(run, fit, o.HATDIAG, fit.hat)) return;
    if (!store_vector(run, o.COEFFICE, fit.coef)) return;
    if (!store_vector(run, o.STDERR, fit.se)) return;
    if (!store_vector(run, o.TRATIO, fit.tstat)) return;
    if (!name_blank(o.COVARIAN)) {
        const int k = fit.k;
        VarInfo info;
        if (!create(run, o.COVARIAN, TYPE_MATRIX, (long long)k * k, k, info)) return;
        // Column after column; the matrix is symmetric, so row-major reads the same.
        for (int j = 0; j < k; ++j)
            for (int i = 0; i < k; ++i)
                element(run, info, (long long)j * k + i + 1) = fit.cov[std::size_t(i) * k + j];
    }
}

} // namespace tarvex
