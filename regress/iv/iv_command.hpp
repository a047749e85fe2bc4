// 2SLS depvar regressors ; instruments / options (and INSTRUME, the same estimator): two-stage
// least squares for one equation.
#pragma once

namespace tarvex {

struct Run;
struct IvEquation;
struct IvEstimate;
struct IvOptions;

void cmd_2sls(Run& run);

// The end of an estimate, in memory or over bound series: a failure reported, or the record
// named (each first-stage F row with its endogenous regressor), reported and stored.
void conclude_iv(Run& run, const IvEquation& eq, IvEstimate& e, const IvOptions& o);

} // namespace tarvex
