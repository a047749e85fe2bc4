// The OLSQ command (typed OLS) and IMLS: parsing, validation and the estimation range, then
// the estimation and its report.
#pragma once

#include "bound/bound_rows.hpp"

#include <string>
#include <string_view>

namespace tarvex {

struct Run;
struct OlsFit;
struct OlsOptions;
struct OlsEstimate;

// Handler of OLSQ and IMLS (told apart by IKOD).
void cmd_olsq(Run& run);

// Error numbers of the regression command.
inline constexpr int ERR_BOTH_SIDES = 6010;
inline constexpr int ERR_OPTION_VALUE = 6011;
inline constexpr int ERR_INCOMPATIBLE = 6012;
inline constexpr int ERR_TOO_FEW_VARIABLES = 6013;
inline constexpr int ERR_TOO_FEW_OBSERVATIONS = 6014;
inline constexpr int ERR_RESTRICT_RIDGE = 6015;
inline constexpr int ERR_NOT_VALID = 6016;
inline constexpr int ERR_COLLINEAR = 6017;
inline constexpr int ERR_OUT_OF_RANGE = 6018;        // values whose squares binary128 cannot hold
inline constexpr int ERR_RESTRICT_PILAGS = 6019;     // RESTRICT together with PILAGS
inline constexpr int ERR_HOUSEHOLDER_SPACE = 6020;   // METHOD=HH or its exact test find no room
inline constexpr int ERR_DW_INTEGRATION = 6021;      // the exact Durbin-Watson p-value failed
inline constexpr int ERR_COMPONENTS_TOGETHER = 6022; // the components as one list entry
inline constexpr int ERR_COMPONENTS_NOT_LAST = 6023; // a regressor after the first component
inline constexpr int ERR_NO_COMPONENTS = 6024; // PCOMPONE= and no component among the regressors
// ERR_BOUND_BESIDE (6025), ERR_NEEDS_MEMORY (6026), ERR_BOUND_NOT_FINITE (6027) and
// ERR_BOUND_READ (6077): bound/bound_rows.hpp, shared with the other commands over bound series.

// The estimation range of a complete equation (from BEG=/END= and the sample, after the
// largest lag `max_lag`), the check of its observations and of the work space, then OLSEST.
// OLSQ and DLAGS both end here.
void estimate_ols_equation(Run& run, OlsFit& fit, const OlsOptions& o, int max_lag);

// OLSEST: reads the data and the RESTRICT block, estimates, then reports and stores
// (ols_run.cpp).
void OLSEST(Run& run, OlsFit& fit, const OlsOptions& o);

// What OLSEST does with a finished estimate: the failure after the notes met before it, or the
// report, the record, the result scalars and the output variables.
void report_and_store_ols(Run& run, OlsEstimate& e, const OlsOptions& o);

} // namespace tarvex
