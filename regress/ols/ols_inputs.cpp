// The front end of the OLS estimation: everything it reads from the run, read once before it
// estimates. The observations in use (the range less what SKIP$ drops), y and the regressors
// (logged on request; on long samples the regressors are read where they lie for the exact
// cross-product fit, else gathered), the raw WEIGHT values, the coefficients and covariance
// INCOEFFI and INCOVARI name, the RESTRICT block that follows the command, the work-area size
// and the missing-value code.
#include "regress/ols/ols_estimation.hpp"

#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_command.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// A variable read by observation number; 0 throughout when it has no header.
struct SeriesColumn {
    SeriesReader reader;
    SeriesColumn(Run& run, int ref) : reader(run, ref) {}
    Real at(Run& run, long long t) const {
        return reader.ok() ? reader.at(run, t, run.ws.XMISS) : Real(0);
    }
};

EstimationFailure not_valid(const std::string& name) {
    return {" ...ERROR..VARIABLE " + name + " IS NOT VALID", ERR_NOT_VALID};
}

// The observations in use: the estimation range less the observations SKIP$ drops.
void read_observations(Run& run, OlsFit& fit) {
    fit.obs.clear();
    const SkipCodes skip = skip_codes(run); // looked up once, not per observation
    for (int t = fit.beg; t <= fit.end; ++t)
        if (!skip || t > skip.length || skip.codes[t] <= 0) fit.obs.push_back(t);
    fit.n = int(fit.obs.size());
}

// The values of variable `ref` lagged `lag` at the observations in use into `out`, their logs
// with `take_log`; false after a value not valid for logs (the message names `name`).
bool read_logged_column(Run& run, OlsInputs& in, int ref, int lag, bool take_log,
                        const std::string& name, Real* out) {
    const OlsFit& fit = in.fit;
    const SeriesColumn var(run, ref);
    for (int i = 0; i < fit.n; ++i) {
        Real v = var.at(run, fit.obs[i] - lag);
        if (take_log) {
            if (!(v > 0)) {
                in.load_failure = not_valid(name);
                return false;
            }
            v = qm::log(v);
        }
        out[i] = v;
    }
    return true;
}

// y at the observations in use; false after a value not valid for logs.
bool read_dependent(Run& run, OlsInputs& in) {
    OlsFit& fit = in.fit;
    fit.y.assign(fit.n, 0);
    return read_logged_column(run, in, fit.dep_ref, fit.dep_lag, fit.log_dependent, fit.dep_name,
                              fit.y.data());
}

// X (N x K, column after column) gathered at the observations in use; false after a value not
// valid for logs.
bool gather_regressors(Run& run, OlsInputs& in) {
    OlsFit& fit = in.fit;
    const int n = fit.n;
    fit.x.assign(std::size_t(n) * fit.k, 0);
    for (int j = 0; j < fit.k; ++j) {
        const OlsTerm& term = fit.terms[j];
        Real* col = fit.x.data() + std::size_t(j) * n;
        if (term.kind == TermKind::INTERCEPT) {
            for (int i = 0; i < n; ++i) col[i] = 1;
        } else if (term.kind == TermKind::TREND) {
            for (int i = 0; i < n; ++i) col[i] = fit.obs[i];
        } else if (!read_logged_column(run, in, term.ref, term.lag, fit.log_regressors, term.name,
                                       col)) {
            return false;
        }
    }
    return true;
}

// Values of a variable named by an option (INCOEFFI, INCOVARI): its first `count` elements, or
// false when it does not exist or is shorter.
bool given_values(Run& run, const std::string& name, long long count, std::vector<Real>& out) {
    const std::size_t end = name.find_last_not_of(' ');
    if (end == std::string::npos) return false;
    const int ref = VFIND(run, name.substr(0, end + 1));
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info) || info.length < count) return false;
    out.resize(count);
    for (long long e = 0; e < count; ++e) out[e] = element(run, info, e + 1);
    return true;
}

EstimationFailure option_value_failure(const char* keyword) {
    return {" ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded(keyword),
            ERR_OPTION_VALUE};
}

// INCOEFFI and, with it, INCOVARI.
void read_given_coefficients(Run& run, OlsInputs& in, const OlsOptions& o) {
    if (name_blank(o.INCOEFFI)) return;
    const int k = in.fit.k;
    if (!given_values(run, o.INCOEFFI, k, in.given_coef)) {
        in.given_failure = option_value_failure("INCOEFFI");
        return;
    }
    in.coef_given = true;
    if (!name_blank(o.INCOVARI) && !given_values(run, o.INCOVARI, (long long)k * k, in.given_cov))
        in.given_failure = option_value_failure("INCOVARI");
}

} // namespace

OlsInputs read_ols_inputs(Run& run, OlsFit equation, const OlsOptions& o) {
    OlsInputs in;
    in.fit = std::move(equation);
    in.work_area = work_area_size(run);
    in.missing_value = run.ws.XMISS;
    in.output_on = run.flags.OPUT;
    OlsFit& fit = in.fit;
    read_observations(run, fit);
    fit.x.clear();
    const bool loaded = read_dependent(run, in) &&
                        ((fits_in_place(fit, o) && place_columns(run, fit, in.columns)) ||
                         gather_regressors(run, in));
    // The estimation ends at a value not valid for logs before it reads anything more.
    if (!loaded) return in;
    if (fit.weight_ref != 0) {
        const SeriesColumn weight(run, fit.weight_ref);
        in.weights.resize(fit.obs.size());
        for (std::size_t i = 0; i < fit.obs.size(); ++i) in.weights[i] = weight.at(run, fit.obs[i]);
    }
    read_given_coefficients(run, in, o);
    if (o.covariance.clustered())
        in.cluster_failure = read_cluster_rows(run, o.covariance, fit.obs, in.clusters);
    // The block follows the command; with PILAGS the estimation refuses restrictions first.
    if (o.RESTRICT && !o.PILAGS) in.restrictions = read_restriction_block(run, fit);
    return in;
}

} // namespace tarvex
