// What the OLS estimator takes and returns. The front end (read_ols_inputs) reads everything the
// estimation needs from the run: the data in use, the raw weights, the given coefficients, the
// RESTRICT block and the settings. The estimation (estimate_ols) works on those values alone and
// returns the fit with its estimates and covariance, the numbers of the report, the
// diagnostics asked for, the exact Durbin-Watson test, the restrictions' test, the notes met on
// the way in order, and the result to store (ModelResult, with a failure when the estimation
// ended early). It writes nothing; OLSOUT writes this value as it is.
#pragma once

#include "numeric/double_binary128.hpp"
#include "numeric/real.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/report_notes.hpp"
#include "regress/ols/ols_columns.hpp"
#include "regress/ols/ols_influence.hpp"
#include "regress/ols/ols_residual_stats.hpp"
#include "regress/ols/ols_work_space.hpp"
#include "regress/ols/recursive_residuals.hpp"
#include "regress/ols/restrict_estimation.hpp"
#include "regress/test/test_lag_sums.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsOptions;

// The numbers of the summary block, the selection criteria and the variance tables.
struct OlsSummary {
    Real r2 = 0, adr2 = 0, raw = 0, sigma2 = 0, ssr = 0, anf = 0, anova_p = 0;
    Real zsst = 0, zssr = 0, zdf = 0, zanf = 0, zanova_p = 0;
    Real llf = 0, llf_log = 0;
    bool llf_available = true;
    Real fpe = 0, laic = 0, lsc = 0, gcv = 0, hq = 0, rice = 0, shib = 0, sc = 0, aic = 0;
    Real sigma = 0; // sqrt|sigma**2|
    // The mean squares of the variance tables (0 for no degrees of freedom).
    Real ms_regression = 0, ms_total = 0, zms_regression = 0, zms_total = 0;
};

// The result scalars of the exact Durbin-Watson test (DWPVALUE); its lines are notes.
struct ExactDwScalars {
    bool done = false; // the test ran (d is known)
    Real dw = 0;
    bool has_pvalue = false;
    Real pvalue = 0; // P(d <= d_obs): $CDF
    bool has_critical = false;
    Real critical = 0;         // $CRIT
    bool ends_command = false; // the work area was too small: the command fails afterwards
};

struct AuxiliaryRsquare {
    std::string name; // 8 columns
    Real r2 = 0;
};

struct OlsEstimate {
    OlsFit fit; // the equation, the data used and the estimates
    // The rows scaled by the square root of the absolute weight (empty without weights).
    std::vector<Real> weighted_x, weighted_y;
    // The columns read in place when the exact cross-product fit ran on them (fit.x is then
    // empty), and its coefficients to about 226 bits for the residual pass.
    PlacedColumns columns;
    std::vector<Wide> coef_wide;
    ReportNotes notes; // every line met before the summary, in order
    // What is stored: the record (but for its rows: observations, predicted values and
    // residuals, which stay in `fit` for the report and move in after it, stored_result), the
    // result scalars in the order they are set, and the failure that ended the estimation (the
    // notes met before it are written first).
    ModelResult result;
    bool failed() const { return result.failed(); }

    OlsSummary summary;
    ResidualStats residuals; // Hall-Pagan under LM, the goodness-of-fit counts under GF
    ExactDwScalars exact_dw;
    bool restricted = false; // RESTRICT imposed restrictions: their p-value is $PVAL
    Real restriction_pvalue = 0;
    std::vector<AuxiliaryRsquare> auxiliary; // AUXRSQR (not with HETCOV)
    bool has_influence = false;              // INFLUENC
    InfluenceMeasures influence;
    bool has_recursive = false; // RECURSIV
    int recursive_first = 0;    // row of the first recursive residual
    RecursiveTests recursive;
    // The last two columns of the coefficient table.
    std::vector<Real> standardised, elasticity;
    std::vector<LagSumTest> lag_sums; // DLAG (worked out when the report is written)

    // The result to store, the rows of the fit moved into its record.
    ModelResult stored_result() &&;
};

// What the estimation reads from the run, read by the front end.
struct OlsInputs {
    OlsFit fit;                     // the equation with obs, n, y and (gathered) x loaded
    PlacedColumns columns;          // the regressors read in place (fit.x then empty)
    std::vector<Real> weights;      // the WEIGHT value at each observation in use (none without)
    EstimationFailure load_failure; // a value not valid for the logs asked for
    // INCOEFFI (and INCOVARI) read, or the failure of reading them.
    bool coef_given = false;
    std::vector<Real> given_coef, given_cov; // K; K x K column after column (empty: none)
    EstimationFailure given_failure;
    ClusterRows clusters;              // CLUSTER: the cluster of each observation in use
    EstimationFailure cluster_failure; // CLUSTER: its variable could not be read
    RestrictionBlock restrictions;     // RESTRICT
    WorkAreaSize work_area;
    Real missing_value = 0; // the missing-value code
    bool output_on = true;  // output is on: the exact Durbin-Watson test is for the report only
};

// The front end: loads the data of the parsed equation and reads the RESTRICT block.
OlsInputs read_ols_inputs(Run& run, OlsFit equation, const OlsOptions& o);

// The estimation: the heading and data notes, the solution, the restrictions, the covariance
// (robust forms on request), the diagnostics, the summary numbers and the result. Writes
// nothing.
OlsEstimate estimate_ols(OlsInputs inputs, const OlsOptions& o);

// The summary numbers of a fit whose covariance is final: SSE (a negative one rounded up to 0),
// sigma**2, the R-squares, the finite population correction (NPOP, applied to the covariance),
// the log-likelihood, the variance tables and the selection criteria, with their warnings.
void summarise_ols(OlsEstimate& e, const OlsOptions& o);
// The same but for the statistics of the residuals (e.residuals), which a fit over row blocks
// forms in its own passes.
void summarise_ols_fit(OlsEstimate& e, const OlsOptions& o);

// The stored part of a finished estimate: the record (equation names, estimates, sums, the
// settings TEST and FCAST read), the p-values and partial correlations, the report's
// standardised coefficients and elasticities, DLAG's tests, and OLS's result scalars in the
// order they are set.
void fill_ols_result(OlsEstimate& e, const OlsOptions& o, bool output_on);

} // namespace tarvex
