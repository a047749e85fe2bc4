// OLSEST, the estimation driver of OLSQ and IMLS once the statement is checked: the front end
// reads the data and the RESTRICT block, the estimation works on those values, a failure is
// reported after the notes met before it, and otherwise the report is written and the result
// stored (the record, OLS's result scalars, the output variables and HATDIAG).
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/ols/ols_command.hpp"
#include "regress/ols/ols_estimation.hpp"
#include "regress/ols/ols_report.hpp"

namespace tarvex {

namespace {

// OLS's output options under the names the shared store takes (COEFFICE is its COEF).
OutputNames ols_output_names(const OlsOptions& o) {
    OutputNames out;
    out.PREDICT = o.PREDICT;
    out.RESID = o.RESID;
    out.COEF = o.COEFFICE;
    out.STDERR = o.STDERR;
    out.TRATIO = o.TRATIO;
    out.COVARIAN = o.COVARIAN;
    return out;
}

} // namespace

void OLSEST(Run& run, OlsFit& fit, const OlsOptions& o) {
    // The previous estimation's results go as this one starts.
    run.last_estimation = EstimationResults{};
    OlsEstimate e = estimate_ols(read_ols_inputs(run, std::move(fit), o), o);
    report_and_store_ols(run, e, o);
}

void report_and_store_ols(Run& run, OlsEstimate& e, const OlsOptions& o) {
    if (e.failed()) {
        write_notes_through(run, e.notes, NotePlace::SOLUTION);
        // Restrictions imposed before the failure leave their p-value.
        if (e.restricted) run.res[R_PVAL] = e.restriction_pvalue;
        report_estimation_failure(run, e.result.failure);
        return;
    }
    // The exact Durbin-Watson test found the work area too small: the command fails, and the
    // report is still written.
    if (e.exact_dw.ends_command) report_error(run, "", ERR_HOUSEHOLDER_SPACE);
    OLSOUT(run, e, o);
    const OlsFit& estimated = e.fit;
    EstimationResults& record = e.result.record;
    const std::string command = record.command; // OLSQ or IMLS, set by the estimator
    name_equation(run, command, estimated.dep_ref, estimated.dep_lag, estimated.dep_name,
                  estimated.terms, {}, record);
    std::vector<Real> hat = std::move(e.fit.hat);
    ModelResult result = std::move(e).stored_result();
    if (!store_model_result(run, std::move(result), ols_output_names(o))) return;
    const EstimationResults& stored = run.last_estimation;
    store_by_observation(run, o.HATDIAG, stored.end, stored.obs, hat);
}

} // namespace tarvex
