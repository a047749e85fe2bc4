// The exact Durbin-Watson test of the Householder method (DWPVALUE): its header lines, the
// statistic, the roots of M*A under DUMP, both p-values and the critical value for ALPHA, as
// lines for the report and the values of its result scalars.
#pragma once

namespace tarvex {

struct WorkAreaSize;
struct OlsOptions;
struct LsSolution;
struct ReportNotes;
struct ExactDwScalars;

// The test for a Householder solution: its lines go to `notes` (the solution's place of the
// report), the values of $DW, $CDF and $CRIT are returned.
ExactDwScalars exact_durbin_watson(const WorkAreaSize& area, const OlsOptions& o,
                                   const LsSolution& sol, ReportNotes& notes);

} // namespace tarvex
