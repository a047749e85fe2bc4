// What FCAST writes: the model (MAX or DUMP), the listing of observed and predicted values with
// the standard-error column (LIST), the accuracy statistics and, through OLSRES, the residual
// statistics of the forecast errors (RSTAT, LM, GF).
#pragma once

#include "numeric/real.hpp"

namespace tarvex {

struct Run;
struct FcastModel;
struct FcastOptions;
struct Forecast;
struct FcastAccuracy;
struct FcastErrorSums;

// " DEPENDENT VARIABLE = ..." and the coefficients four to a line, then the autocorrelations
// given with RHO= and SRHO=.
void write_fcast_model(Run& run, const FcastModel& model, const FcastOptions& o, int nobs);
// The listing: with standard errors the narrow table and its extra column, else the table of
// the regression report (wide or narrow as WIDE asks).
void write_fcast_listing(Run& run, const Forecast& f, const FcastOptions& o);
// The accuracy statistics and the two decompositions of the mean square error.
void write_fcast_accuracy(Run& run, const FcastAccuracy& a);
// The residual statistics of the errors where y is known (and $DW, $RHO, $R2OP), the plot files
// with GNU; `print` is false when output is suppressed. `sums` (may be null) are those of f's
// rows: the statistics are formed from them unless a test or plot needs the errors themselves.
void fcast_residual_output(Run& run, const FcastModel& model, const Forecast& f,
                           const FcastErrorSums* sums, const FcastOptions& o, bool print);

} // namespace tarvex
