// What the OLS estimator returns: the fit with its estimates and covariance, the numbers of the
// report's summary, the diagnostics asked for, the results of the exact Durbin-Watson test and
// of the restrictions, and the notes met on the way, in order. The estimator writes no report
// line; OLSOUT writes this value as it is, in the order of the report's layout.
#pragma once

#include "kernels/double_binary128.hpp"
#include "numeric/real.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/report_notes.hpp"
#include "regress/ols/ols_columns.hpp"
#include "regress/ols/ols_influence.hpp"
#include "regress/ols/ols_residual_stats.hpp"
#include "regress/ols/recursive_residuals.hpp"

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
    // An error that ended the estimation: its line and $ERR number (0: none). The notes met
    // before it are written first.
    bool failed = false;
    std::string error_line;
    int error_number = 0;

    OlsSummary summary;
    ResidualStats residuals; // without the Hall-Pagan test
    ExactDwScalars exact_dw;
    bool restricted = false; // RESTRICT imposed restrictions: their p-value is $PVAL
    Real restriction_pvalue = 0;
    std::vector<AuxiliaryRsquare> auxiliary; // AUXRSQR (not with HETCOV)
    bool has_influence = false;              // INFLUENC
    InfluenceMeasures influence;
    bool has_recursive = false; // RECURSIV
    int recursive_first = 0;    // row of the first recursive residual
    RecursiveTests recursive;
};

// The estimation of a parsed equation without restrictions: the heading and data notes, the
// solution, the covariance (robust forms on request), the diagnostics and the summary numbers.
// Reads the data from the workspace; writes nothing.
OlsEstimate estimate_ols(Run& run, const OlsFit& equation, const OlsOptions& o);

// The summary numbers of a fit whose covariance is final: SSE (a negative one rounded up to 0),
// sigma**2, the R-squares, the finite population correction (NPOP, applied to the covariance),
// the log-likelihood, the variance tables and the selection criteria, with their warnings.
void summarise_ols(OlsEstimate& e, const OlsOptions& o);

// The steps of estimate_ols, for OLSEST, which reads a RESTRICT block between them:
// up to the solution (false when an error ended it) ...
bool solve_ols(Run& run, OlsEstimate& e, const OlsOptions& o);
// ... and from the residuals on (false when an error ended it).
bool finish_ols(Run& run, OlsEstimate& e, const OlsOptions& o);

} // namespace tarvex
