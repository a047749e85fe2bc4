// The reports of the unit-root tests of one variable: the test regression (ADF) through the
// coefficient table, the statistic with its p-value and critical values, and the result
// scalars ($VAL the statistic, $PVAL its p-value, $CRIT the 5% critical value, $VAL1 the lags
// or bandwidth, $VAL2 PP's Z-alpha; $N, $K, $SSE, $SIG2 and $DF of the test regression).
#pragma once

#include "regress/coint/unit_root.hpp"

#include <string>

namespace tarvex {

struct Run;

// What the report says about the choice of the lag length.
struct LagChoice {
    LagSelection select = LagSelection::FIXED;
    int max_lag = 0;
};

const char* deterministic_word(Deterministic det);

// `det` is the test regression's; the p-value and critical values are those of `surface`
// (the cointegrating regression's terms for Engle-Granger) for `nvars` variables.
void report_adf(Run& run, const std::string& name, const AdfFit& fit, Deterministic det,
                const LagChoice& choice, Deterministic surface, int nvars, bool wide);
void report_phillips_perron(Run& run, const std::string& name, const PhillipsPerronFit& fit,
                            Deterministic det);
void report_kpss(Run& run, const std::string& name, const KpssFit& fit, Deterministic det);

// tseries' p-value of the KPSS statistic: linear interpolation in the 10%, 5%, 2.5% and 1%
// critical values of Kwiatkowski et al. (1992), table 1, held at 0.10 and 0.01 outside them.
Real kpss_pvalue(Real eta, Deterministic det);

} // namespace tarvex
